// objstore-server-spawner: starts and stops objstore-standin and nginx processes
// for test binaries that run where they cannot start native programs (the
// Windows build under Wine). Loopback only; prints "listening 127.0.0.1:<port>".
#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include <Poco/Net/HTTPServer.h>
#include <Poco/Net/HTTPServerParams.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/ThreadPool.h>

#include "spawner_handler.h"

int main(int argc, char** argv) {
    int port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else {
            std::cerr << "usage: objstore-server-spawner [--port N]\n";
            return 2;
        }
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    try {
        spawner::ServerTable table;
        Poco::Net::ServerSocket socket(
            Poco::Net::SocketAddress("127.0.0.1", static_cast<Poco::UInt16>(port)), 64);
        auto* params = new Poco::Net::HTTPServerParams;
        params->setMaxThreads(16);
        params->setKeepAlive(false);
        Poco::ThreadPool pool(2, 16);
        Poco::Net::HTTPServer server(new spawner::SpawnerHandlerFactory(table), pool, socket,
                                     params);
        server.start();
        std::cout << "listening 127.0.0.1:" << socket.address().port() << std::endl;

        int received = 0;
        sigwait(&stopSignals, &received);
        server.stopAll(true);
        pool.joinAll();
        table.StopAll();
    } catch (const std::exception& e) {
        std::cerr << "objstore-server-spawner: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
