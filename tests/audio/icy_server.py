#!/usr/bin/env python3
"""A small Icecast-style test server for the audio engine's tests, on 127.0.0.1.

    icy_server.py DATA-FOLDER [CERT KEY]

Prints "PORT <n>" on its first line (and "TLSPORT <n>" on the second when given a certificate
and key: the same routes over https), then serves until its standard input closes. Routes (query parameters):
  /live?file=F&titles=A|B&interval=S&burst=S&bps=N&metaint=N&drop=S&stall=S:D&meta=huge|malformed&garbage=S
      F (a file in the data folder) repeated as a live stream: `burst` seconds at once, then
      `bps` bytes per second; ICY metadata every `metaint` bytes when the client asks for it,
      the title changing every `interval` seconds of stream time; `drop` closes the connection
      after S seconds, `stall` pauses for D seconds after S seconds, `garbage` replaces 6 KB of
      audio with noise at stream second S.
  /file?file=F&bps=N&ctype=T   the file once (then the connection closes)
  /status?code=N               an empty answer with that status
  /redirect?to=URL             302 to URL
  /html                        a web page
  /garbage                     random bytes labelled audio/mpeg
  /hang                        accepts and never answers
  /list?kind=pls|m3u&to=U1,U2  a playlist of those addresses
  /static/NAME                 files of the data folder (HLS playlists and segments)
"""
import os
import random
import socketserver
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler
from urllib.parse import parse_qs, urlparse

DATA = sys.argv[1] if len(sys.argv) > 1 else "."


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def q(self, name, default=None):
        v = self.query.get(name)
        return v[0] if v else default

    def do_GET(self):
        url = urlparse(self.path)
        self.query = parse_qs(url.query)
        route = getattr(self, "route_" + url.path.strip("/").split("/")[0], None)
        try:
            if route is None:
                self.send_error(404)
            else:
                route(url)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def route_status(self, url):
        self.send_response(int(self.q("code", "404")))
        self.send_header("Content-Length", "0")
        self.end_headers()

    def route_redirect(self, url):
        self.send_response(302)
        self.send_header("Location", self.q("to"))
        self.end_headers()

    def route_html(self, url):
        body = b"<!DOCTYPE html><html><body>Not a stream</body></html>" * 20
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.end_headers()
        self.wfile.write(body)

    def route_garbage(self, url):
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.end_headers()
        rnd = random.Random(7)
        self.wfile.write(bytes(rnd.getrandbits(8) for _ in range(200000)))

    def route_hang(self, url):
        time.sleep(30)

    def route_list(self, url):
        targets = self.q("to", "").split(",")
        if self.q("kind") == "pls":
            lines = ["[playlist]", "NumberOfEntries=%d" % len(targets)]
            # written in reverse order on purpose: FileN numbers decide the order
            for i in reversed(range(len(targets))):
                lines.append("File%d=%s" % (i + 1, targets[i]))
            ctype, body = "audio/x-scpls", "\r\n".join(lines) + "\r\n"
        else:
            ctype, body = "audio/x-mpegurl", "#EXTM3U\n" + "".join("#EXTINF:-1,x\n%s\n" % t for t in targets)
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.end_headers()
        self.wfile.write(body.encode())

    def route_static(self, url):
        name = os.path.basename(url.path)
        path = os.path.join(DATA, name)
        if not os.path.isfile(path):
            self.send_error(404)
            return
        data = open(path, "rb").read()
        self.send_response(200)
        ctype = "application/vnd.apple.mpegurl" if name.endswith(".m3u8") else "application/octet-stream"
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def route_file(self, url):
        data = open(os.path.join(DATA, self.q("file")), "rb").read()
        bps = int(self.q("bps", "0"))
        self.send_response(200)
        self.send_header("Content-Type", self.q("ctype", "application/ogg"))
        self.end_headers()
        if bps <= 0:
            self.wfile.write(data)
            return
        sent, start = 0, time.time()
        while sent < len(data):
            chunk = data[sent:sent + max(bps // 20, 1)]
            self.wfile.write(chunk)
            sent += len(chunk)
            ahead = sent / bps - (time.time() - start)
            if ahead > 0:
                time.sleep(ahead)

    def metadata_block(self, title):
        mode = self.q("meta")
        if mode == "huge":
            text = ("StreamTitle='" + title + "';StreamUrl='" + "x" * 5000)[:255 * 16 - 2] + "';"
        elif mode == "malformed":
            text = "StreamTitle='" + title + "\x01\x02 no end"
        else:
            text = "StreamTitle='%s';StreamUrl='';" % title
        raw = text.encode("utf-8", "replace")[:255 * 16]
        n = (len(raw) + 15) // 16
        return bytes([n]) + raw + b"\0" * (n * 16 - len(raw))

    def route_live(self, url):
        data = open(os.path.join(DATA, self.q("file")), "rb").read()
        titles = self.q("titles", "Artist - Song").split("|")
        interval = float(self.q("interval", "1000"))
        bps = int(self.q("bps", "16000"))
        burst = float(self.q("burst", "2"))
        metaint = int(self.q("metaint", "8192"))
        drop = float(self.q("drop", "0"))
        stall = self.q("stall")
        stall_at, stall_for = (float(x) for x in stall.split(":")) if stall else (None, 0)
        garbage_at = float(self.q("garbage", "-1"))  # stream second at which 6 KB of noise replace audio
        want_meta = self.headers.get("Icy-MetaData") == "1"
        self.send_response(200)
        self.send_header("Content-Type", self.q("ctype", "audio/mpeg"))
        self.send_header("icy-name", "Test Radio")
        self.send_header("icy-genre", "Testing")
        self.send_header("icy-br", "128")
        if want_meta:
            self.send_header("icy-metaint", str(metaint))
        self.end_headers()
        start = time.time()
        pos, sent, since_meta, last_title = 0, 0, 0, None
        while True:
            now = time.time() - start
            if drop and now >= drop:
                return
            if stall_at is not None and now >= stall_at:
                time.sleep(stall_for)
                stall_at = None
                start += stall_for
                continue
            allowed = int(bps * (burst + now)) - sent
            if allowed <= 0:
                time.sleep(0.02)
                continue
            n = min(allowed, 2048, metaint - since_meta if want_meta else 2048)
            chunk = data[pos:pos + n]
            if len(chunk) < n:
                chunk += data[:n - len(chunk)]
            if 0 <= garbage_at <= sent / bps < garbage_at + 6000 / bps:
                chunk = bytes(random.getrandbits(8) for _ in range(n))
            pos = (pos + n) % len(data)
            self.wfile.write(chunk)
            sent += n
            since_meta += n
            if want_meta and since_meta == metaint:
                title = titles[int(sent / bps / interval) % len(titles)]
                self.wfile.write(self.metadata_block(title) if title != last_title else b"\0")
                last_title = title
                since_meta = 0


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # clients hang up on purpose (time-outs, freed streams)


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.server_address[1], flush=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    if len(sys.argv) > 3:
        tls = Server(("127.0.0.1", 0), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[2], sys.argv[3])
        tls.socket = context.wrap_socket(tls.socket, server_side=True)
        print("TLSPORT %d" % tls.server_address[1], flush=True)
        threading.Thread(target=tls.serve_forever, daemon=True).start()
    try:
        sys.stdin.read()  # ends when the test closes our stdin (or dies)
    except KeyboardInterrupt:
        pass
    server.shutdown()


if __name__ == "__main__":
    main()
