// objstore-standin: a local stand-in for the object-storage service, serving one
// bucket from a folder. See README.md for the options.
#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include <Poco/Net/HTTPServerParams.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>

#include "connection_pool.h"
#include "object_handler.h"
#include "standin_options.h"
#include "tls_front.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help") {
            std::cout << standin::StandinUsage();
            return 0;
        }
    }
    standin::StandinOptions options;
    std::string error;
    if (!standin::ParseStandinOptions(argc, argv, &options, &error)) {
        std::cerr << "objstore-standin: " << error << " (--help lists the options)\n";
        return 2;
    }

    // Block the stop signals in every thread; the main thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    try {
        standin::ServiceState state(options);

        // With TLS the plain service listens on an inner port behind the TLS front.
        const bool tls = !options.tlsCertificate.empty();
        Poco::Net::ServerSocket socket(
            Poco::Net::SocketAddress("127.0.0.1", tls ? uint16_t(0) : options.port), 256);
        Poco::Net::HTTPServerParams::Ptr params = new Poco::Net::HTTPServerParams;
        params->setKeepAlive(true);
        params->setMaxKeepAliveRequests(0);
        // Idle connections wait in the pool's poller, which applies the idle
        // time-out; Poco's keep-alive wait only ever sees a readable connection.
        params->setKeepAliveTimeout(Poco::Timespan(options.idleTimeoutSeconds, 0));
        params->setTimeout(Poco::Timespan(60, 0));
        params->setSoftwareVersion("objstore-standin");
        standin::ConnectionPool server(socket, new standin::ObjectHandlerFactory(state), params,
                                       options.maxThreads,
                                       std::chrono::seconds(options.idleTimeoutSeconds));
        server.Start();
        std::unique_ptr<standin::TlsFront> front;
        if (tls) {
            front = std::make_unique<standin::TlsFront>(options.port, options.tlsCertificate,
                                                        options.tlsKey, socket.address().port());
            front->Start();
        }

        std::cout << "listening 127.0.0.1:" << (front ? front->Port() : socket.address().port())
                  << std::endl;

        int received = 0;
        sigwait(&stopSignals, &received);
        state.stopping = true;
        if (front) front->Stop();
        server.Stop();
    } catch (const std::exception& e) {
        std::cerr << "objstore-standin: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
