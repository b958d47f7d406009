#!/usr/bin/env python3
"""A wide-area link between loopback clients and a loopback server, in user space.

Listens on a port and forwards every connection to the server's port through
an emulated link:

- set-up: a new connection carries no data for one round trip (the handshake);
- delay: every byte takes half the round trip in each direction;
- slow start: each connection's sender starts with a window of 10 segments of
  1460 bytes, grows it by the bytes acknowledged (doubling per round trip) up
  to the receive window, and starts again from 10 segments after an idle time
  longer than the retransmission time-out (round trip + 200 ms, as Linux does);
- bottleneck: all connections share one link of the given bandwidth in each
  direction, served in order; it queues at most one round trip of data, and a
  sender whose next piece would overflow the queue waits (nothing is lost).

Acknowledgements are modelled: a piece counts as acknowledged one round trip
after it left the bottleneck, whatever the client does with it.

Usage: link_emulator.py --upstream PORT --rtt-ms 50 --mbit 100 [--port 0]
Prints "listening PORT" once it accepts connections; SIGTERM ends it.
"""
import argparse
import asyncio
import collections
import signal
import sys
import time

MSS = 1460
INITIAL_WINDOW = 10 * MSS
RECEIVE_WINDOW = 4 * 1024 * 1024
PIECE = 16384


class Link:
    """One direction of the shared bottleneck: serialisation in arrival order."""

    def __init__(self, bits_per_second, queue_seconds):
        self.seconds_per_byte = 8.0 / bits_per_second
        self.queue_seconds = queue_seconds
        self.free_at = 0.0

    def backlog(self, now):
        return max(0.0, self.free_at - now)

    async def wait_for_room(self, loop):
        while self.backlog(loop.time()) > self.queue_seconds:
            await asyncio.sleep(self.backlog(loop.time()) - self.queue_seconds)

    def transmit(self, now, size):
        """Returns the time the piece has left the bottleneck."""
        self.free_at = max(now, self.free_at) + size * self.seconds_per_byte
        return self.free_at


class Direction:
    """One direction of one connection: window, delay, in-order delivery."""

    def __init__(self, loop, link, delay, rtt, writer, windowed):
        self.loop = loop
        self.link = link
        self.delay = delay
        self.rtt = rtt
        self.writer = writer
        self.windowed = windowed
        self.cwnd = INITIAL_WINDOW
        self.in_flight = 0
        self.last_sent = None
        self.window_open = asyncio.Event()
        self.window_open.set()
        self.queue = collections.deque()
        self.queued = asyncio.Event()
        self.deliverer = loop.create_task(self.deliver())

    async def send(self, data, not_before):
        for start in range(0, len(data), PIECE):
            piece = data[start:start + PIECE]
            if self.windowed:
                now = self.loop.time()
                if self.last_sent is not None and self.in_flight == 0 and \
                        now - self.last_sent > self.rtt + 0.2:
                    self.cwnd = INITIAL_WINDOW  # restart after idle
                while self.in_flight > 0 and self.in_flight + len(piece) > self.cwnd:
                    self.window_open.clear()
                    await self.window_open.wait()
            await self.link.wait_for_room(self.loop)
            now = max(self.loop.time(), not_before)
            left = self.link.transmit(now, len(piece))
            self.in_flight += len(piece)
            self.last_sent = left
            self.queue.append((left + self.delay, piece))
            self.queued.set()
            self.loop.call_at(left + self.rtt, self.acknowledge, len(piece))

    def acknowledge(self, size):
        self.in_flight -= size
        self.cwnd = min(RECEIVE_WINDOW, self.cwnd + size)
        self.window_open.set()

    def close_after_queue(self):
        self.queue.append((None, None))
        self.queued.set()

    async def deliver(self):
        try:
            while True:
                while not self.queue:
                    self.queued.clear()
                    await self.queued.wait()
                when, piece = self.queue.popleft()
                if piece is None:
                    # The last piece's arrival time has passed: the end follows it.
                    if self.writer.can_write_eof():
                        self.writer.write_eof()
                    return
                wait = when - self.loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                self.writer.write(piece)
                await self.writer.drain()
        except (ConnectionError, OSError):
            pass


class Emulator:
    def __init__(self, upstream_port, rtt, bits_per_second):
        self.upstream_port = upstream_port
        self.rtt = rtt
        self.down = Link(bits_per_second, max(rtt, 0.001))
        self.up = Link(bits_per_second, max(rtt, 0.001))

    async def handle(self, client_reader, client_writer):
        try:
            await self.forward(client_reader, client_writer)
        except asyncio.CancelledError:
            pass  # the emulator is ending

    async def forward(self, client_reader, client_writer):
        loop = asyncio.get_running_loop()
        accepted = loop.time()
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1",
                                                                         self.upstream_port)
        except OSError:
            client_writer.close()
            return
        delay = self.rtt / 2
        to_server = Direction(loop, self.up, delay, self.rtt, server_writer, windowed=False)
        to_client = Direction(loop, self.down, delay, self.rtt, client_writer, windowed=True)

        async def pump(reader, direction, not_before):
            try:
                while True:
                    data = await reader.read(65536)
                    if not data:
                        break
                    await direction.send(data, not_before)
            except (ConnectionError, OSError):
                pass
            direction.close_after_queue()

        # The handshake: nothing goes to the server for one round trip.
        await asyncio.gather(pump(client_reader, to_server, accepted + self.rtt),
                             pump(server_reader, to_client, 0.0))
        await asyncio.gather(to_server.deliverer, to_client.deliverer, return_exceptions=True)
        for writer in (client_writer, server_writer):
            writer.close()


async def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--upstream", type=int, required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--rtt-ms", type=float, required=True)
    parser.add_argument("--mbit", type=float, required=True)
    args = parser.parse_args()

    emulator = Emulator(args.upstream, args.rtt_ms / 1000.0, args.mbit * 1e6)
    server = await asyncio.start_server(emulator.handle, "127.0.0.1", args.port, backlog=256)
    print(f"listening {server.sockets[0].getsockname()[1]}", flush=True)
    stop = asyncio.Event()
    asyncio.get_running_loop().add_signal_handler(signal.SIGTERM, stop.set)
    async with server:
        await stop.wait()
    # Connections still open end with the emulator, quietly.
    tasks = [t for t in asyncio.all_tasks() if t is not asyncio.current_task()]
    for task in tasks:
        task.cancel()
    await asyncio.gather(*tasks, return_exceptions=True)


if __name__ == "__main__":
    asyncio.run(main())
