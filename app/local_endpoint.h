// Builds for local runs (the sample brand, the tests) reach the storage service on loopback: the
// connection goes to OBJSTORE_ENDPOINT ("127.0.0.1:PORT") while the Host header and the signature
// stay the bucket host's. Only a brand folder for local runs turns this on (local_endpoint=yes in
// its storage.ini); a firm's build never reads the variable, so its environment cannot redirect it.
#pragma once

// True when this build honours OBJSTORE_ENDPOINT.
bool HonoursLocalEndpoint();

// Points the storage client's connections at OBJSTORE_ENDPOINT when this build honours it and the
// variable is set; otherwise nothing.
void ApplyLocalEndpoint();
