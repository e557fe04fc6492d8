#!/usr/bin/env python3
"""A scripted HTTP server on 127.0.0.1 for what Icecast will not do: ICY status lines,
playlists, redirect chains, huge headers, stalls, split metadata blocks, odd metadata
intervals and content types. Every scenario is a path; all of them end by themselves.

The audio is a real MP3 file (--media); streams serve it with metadata blocks inserted
every metaint bytes, so a test can compare what reached the player with the file.
"""
import argparse
import os
import socketserver
import sys
import time
import urllib.parse

MEDIA = b""
ICECAST = ""          # http://127.0.0.1:port of the local Icecast, for playlists that lead there
MEDIA_DIR = "."
REQUESTS = []         # every path asked for, in order, for tests that must see who was called
STREAM_SECONDS = 40   # no scenario streams for longer than this
RATE = 32000          # bytes per second after the initial burst (2x real time)
BURST = 96000


def frames_start(data):
    """Offset of the first MP3 frame (skips an ID3 tag)."""
    for i in range(len(data) - 1):
        if data[i] == 0xFF and data[i + 1] >= 0xE0:
            return i
    return 0


def meta_block(text, pad=True):
    raw = text.encode("latin-1", "replace") if isinstance(text, str) else text
    length = (len(raw) + 15) // 16
    if length > 255:
        raw = raw[:255 * 16]
        length = 255
    body = raw + (b"\0" * (length * 16 - len(raw)) if pad else b"")
    return bytes([length]) + body


class Handler(socketserver.BaseRequestHandler):
    def send(self, data):
        self.request.sendall(data)

    def head(self, status, headers):
        lines = [status] + [f"{k}: {v}" for k, v in headers] + ["", ""]
        self.send("\r\n".join(lines).encode("latin-1"))

    def read_request(self):
        data = b""
        self.request.settimeout(10)
        while b"\r\n\r\n" not in data and len(data) < 65536:
            chunk = self.request.recv(4096)
            if not chunk:
                break
            data += chunk
        line = data.split(b"\r\n", 1)[0].decode("latin-1", "replace")
        parts = line.split(" ")
        return parts[1] if len(parts) > 1 else "/"

    def stream(self, metaint, titles, seconds=STREAM_SECONDS, split=False, stop_after=None,
               pad=True):
        """Serves the MP3 with a metadata block every metaint bytes (0: none)."""
        audio = MEDIA
        pos = 0
        since = 0
        title_index = 0
        sent = 0
        begin = time.monotonic()
        deadline = begin + seconds
        while time.monotonic() < deadline:
            if stop_after is not None and time.monotonic() - begin > stop_after:
                # Keep the connection open but send nothing more.
                time.sleep(min(30, deadline - time.monotonic()))
                return
            step = 4000
            if metaint:
                step = min(step, metaint - since)
            chunk = audio[pos:pos + step]
            if not chunk:
                pos = 0
                continue
            self.send(chunk)
            pos += len(chunk)
            since += len(chunk)
            sent += len(chunk)
            if metaint and since == metaint:
                title = titles[min(title_index, len(titles) - 1)] if titles else ""
                title_index += 1
                block = meta_block(f"StreamTitle='{title}';" if title else b"", pad) \
                    if not isinstance(title, bytes) else meta_block(title, pad)
                if split:
                    # The length byte alone, then the text in two writes.
                    self.send(block[:1])
                    time.sleep(0.02)
                    self.send(block[1:len(block) // 2])
                    time.sleep(0.02)
                    self.send(block[len(block) // 2:])
                else:
                    self.send(block)
                since = 0
            if sent > BURST:
                time.sleep(len(chunk) / RATE)

    def paced(self, audio, rate, metaint, titles, seconds=STREAM_SECONDS):
        """Sends audio at exactly rate bytes per second from the first byte on, no burst."""
        if audio.startswith(b"OggS"):
            # Ogg header pages go out at once, as Icecast sends them to a new listener.
            at = 0
            while audio[at:at + 4] == b"OggS" and audio[at + 6:at + 14] == bytes(8):
                segments = audio[at + 26]
                at += 27 + segments + sum(audio[at + 27:at + 27 + segments])
            self.send(audio[:at])
            audio = audio[at:]
        begin = time.monotonic()
        sent = since = title_index = 0
        while time.monotonic() - begin < seconds:
            due = int((time.monotonic() - begin) * rate) - sent
            while due > 0:
                step = min(due, metaint - since) if metaint else due
                pos = sent % len(audio)
                chunk = audio[pos:pos + step]
                self.send(chunk)
                sent += len(chunk)
                due -= len(chunk)
                since += len(chunk)
                if metaint and since == metaint:
                    title = titles[min(title_index, len(titles) - 1)]
                    title_index += 1
                    self.send(meta_block(f"StreamTitle='{title}';"))
                    since = 0
            time.sleep(0.02)

    def handle(self):
        try:
            self.serve(self.read_request())
        except (BrokenPipeError, ConnectionResetError, TimeoutError, OSError):
            pass

    def serve(self, target):
        url = urllib.parse.urlsplit(target)
        path = url.path
        query = urllib.parse.parse_qs(url.query)
        port = self.server.server_address[1]
        base = f"http://127.0.0.1:{port}"
        mp3 = [("Content-Type", "audio/mpeg"), ("icy-name", "Fake Station"),
               ("icy-br", "128"), ("icy-genre", "Tests")]
        titles = [f"Fake Artist - Song {n}" for n in range(1, 200)]

        if path == "/requests":
            body = "".join(f"{p}\n" for p in REQUESTS).encode()
            self.head("HTTP/1.0 200 OK", [("Content-Type", "text/plain"),
                                          ("Content-Length", str(len(body)))])
            self.send(body)
            return
        REQUESTS.append(target)
        if path == "/ping":
            self.head("HTTP/1.0 200 OK", [("Content-Type", "text/plain"), ("Content-Length", "2")])
            self.send(b"ok")
        elif path == "/icy":
            self.head("ICY 200 OK", mp3 + [("icy-metaint", "8000")])
            self.stream(8000, titles)
        elif path == "/paced":
            # A server without burst: file (beside --media, default the MP3) at rate bytes
            # per second, with a metadata block every metaint bytes when asked.
            name = os.path.basename(query.get("file", [""])[0])
            audio = MEDIA
            if name:
                with open(os.path.join(MEDIA_DIR, name), "rb") as f:
                    audio = f.read()
            metaint = int(query.get("metaint", ["0"])[0])
            headers = [("Content-Type", query.get("type", ["audio/mpeg"])[0]),
                       ("icy-name", "Paced Station")]
            self.head("HTTP/1.0 200 OK", headers + ([("icy-metaint", str(metaint))]
                                                    if metaint else []))
            self.paced(audio, float(query.get("rate", ["16000"])[0]), metaint, titles)
        elif path == "/plain":
            # No metadata interval: the file as it is.
            self.head("HTTP/1.0 200 OK", mp3)
            self.stream(0, [])
        elif path == "/meta":
            metaint = int(query.get("metaint", ["16000"])[0])
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", str(metaint))])
            self.stream(metaint, titles)
        elif path.startswith("/live/"):
            # Any number of distinct live stations, for lists that need many.
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "16000")])
            self.stream(16000, titles, seconds=10)
        elif path == "/flood":
            # A hostile station: a new 4000-byte title every 200 audio bytes.
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "200")])
            flood = [f"Flood {n:06d} " + "F" * 3980 for n in range(1, 100000)]
            self.stream(200, flood, seconds=20)
        elif path == "/split":
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "8000")])
            self.stream(8000, titles, split=True)
        elif path == "/metaint":
            # Odd icy-metaint values; "two" sends two differing headers.
            value = query.get("v", ["0"])[0]
            headers = mp3 + ([("icy-metaint", "8000"), ("icy-metaint", "16000")]
                             if value == "two" else [("icy-metaint", value)])
            self.head("HTTP/1.0 200 OK", headers)
            interval = 8000 if value == "two" else (int(value) if value.lstrip("-").isdigit() else 0)
            self.stream(max(0, interval), titles, seconds=15)
        elif path == "/len255":
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "8000")])
            # Exactly 4080 bytes of text: no room, and no need, for padding.
            long_title = "StreamTitle='" + "L" * (255 * 16 - 15) + "';"
            self.stream(8000, [long_title.encode("latin-1")], pad=False)
        elif path == "/quotes":
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "8000")])
            self.stream(8000, ["Guns N' Roses - Don't Cry"])
        elif path == "/longshort":
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "8000")])
            self.stream(8000, ["A very long title that goes on and on - Artist", "Short"])
        elif path == "/latin1":
            # A Latin-1 name with HTML entities, and a Latin-1 title.
            self.head("HTTP/1.0 200 OK", [("Content-Type", "audio/mpeg"), ("icy-metaint", "8000"),
                                          ("icy-name", "Caf\u00e9 &amp; Jazz &eacute;t\u00e9")])
            self.stream(8000, ["Caf\u00e9 - Cr\u00e8me"])
        elif path == "/m3u":
            self.head("HTTP/1.0 200 OK", [("Content-Type", "audio/x-mpegurl")])
            self.send(f"#EXTM3U\n#EXTINF:-1,Fake\n{base}/meta\n".encode())
        elif path == "/pls":
            self.head("HTTP/1.0 200 OK", [("Content-Type", "audio/x-scpls")])
            self.send(f"[playlist]\nNumberOfEntries=1\nFile1={base}/meta\nTitle1=Fake\n".encode())
        elif path == "/chain.m3u":
            self.head("HTTP/1.0 200 OK", [("Content-Type", "audio/x-mpegurl")])
            self.send(f"{base}/pls\n".encode())
        elif path == "/self.m3u":
            self.head("HTTP/1.0 200 OK", [("Content-Type", "audio/x-mpegurl")])
            self.send(f"{base}/self.m3u\n".encode())
        elif path == "/logo.m3u":
            # As station pages publish them: a logo address before the stream's.
            self.head("HTTP/1.0 200 OK", [("Content-Type", "audio/x-mpegurl")])
            self.send((f'#EXTM3U\r\n#EXTINF:-1 tvg-logo="{base}/logo.png" group-title="Tones, '
                       f'local",Local tone\r\n{ICECAST}/tone.mp3\r\n').encode())
        elif path == "/media.m3u8":
            # An HLS media playlist: relative segments, no address to follow.
            self.head("HTTP/1.0 200 OK", [("Content-Type", "application/vnd.apple.mpegurl")])
            self.send(b"#EXTM3U\n#EXT-X-TARGETDURATION:6\n#EXTINF:6,\nseg1.aac\n#EXTINF:6,\nseg2.aac\n")
        elif path == "/octet":
            # What a plain web server sends for a file it does not know.
            self.head("HTTP/1.0 200 OK", [("Content-Type", "application/octet-stream")])
            self.stream(0, [])
        elif path == "/hls.m3u":
            self.head("HTTP/1.0 200 OK", [("Content-Type", "audio/x-mpegurl")])
            self.send(f"#EXTM3U\n{base}/live/index.m3u8\n".encode())
        elif path.startswith("/redirect/"):
            n = int(path.rsplit("/", 1)[1])
            where = f"{base}/redirect/{n - 1}" if n > 0 else f"{base}/meta"
            self.head("HTTP/1.1 302 Found", [("Location", where), ("Content-Length", "0")])
        elif path == "/ftp":
            self.head("HTTP/1.1 302 Found", [("Location", "ftp://127.0.0.1/secret"),
                                            ("Content-Length", "0")])
        elif path == "/bigheaders":
            filler = [(f"X-Filler-{i}", "x" * 200) for i in range(45)]
            self.head("HTTP/1.0 200 OK", mp3 + filler)
            self.stream(0, [], seconds=5)
        elif path == "/nobody":
            # Headers, then silence.
            self.head("HTTP/1.0 200 OK", mp3)
            time.sleep(25)
        elif path == "/silent":
            # Not even headers.
            time.sleep(25)
        elif path == "/stopafter":
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "16000")])
            self.stream(16000, titles, stop_after=6)
        elif path == "/metaint600000":
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "600000")])
            self.stream(600000, titles, seconds=20)
        elif path == "/metaint600001":
            self.head("HTTP/1.0 200 OK", mp3 + [("icy-metaint", "600001")])
            self.stream(600001, titles, seconds=5)
        elif path in ("/page", "/page2"):
            # Web pages that list streams among other addresses, for the Grep Tool.
            if path == "/page":
                links = [f"{base}/live/g1", f"{base}/live/g2", f"{base}/live/g1",
                         f"{base}/m3u", "http://127.0.0.1:9/deadstream",
                         f"{base}/logo.png", f"{base}/list.m3u8", "https://www.google.com/x",
                         f"{base}/SVE/stream", "http://example.org/stream"]
            else:
                links = [f"{base}/live/g3", f"{base}/live/g1"]
            body = "<html><body>\n" + "".join(
                f'<a href="{link}">{link}</a><br>\n' for link in links) + "</body></html>\n"
            data = body.encode()
            self.head("HTTP/1.1 200 OK", [("Content-Type", "text/html"),
                                          ("Content-Length", str(len(data)))])
            self.send(data)
        elif path == "/to-page":
            self.head("HTTP/1.1 301 Moved Permanently", [("Location", f"{base}/page"),
                                                        ("Content-Length", "0")])
        elif path == "/huge":
            # 100 MiB of text, more than a page may be.
            size = 100 * 1024 * 1024
            self.head("HTTP/1.1 200 OK", [("Content-Type", "text/html"),
                                          ("Content-Length", str(size))])
            chunk = b"x" * 65536
            for _ in range(size // len(chunk)):
                self.send(chunk)
        elif path == "/html":
            body = b"<html><body>Not a stream</body></html>"
            self.head("HTTP/1.0 200 OK", [("Content-Type", "text/html"),
                                          ("Content-Length", str(len(body)))])
            self.send(body)
        elif path.startswith("/programme/"):
            # Programme pages at the table's paths: /programme/<kind>/<path of the table>.
            # Times count from PROGRAMME_T0; tests set the program's clock against it.
            kind = path.split("/")[2]
            if kind == "stream":
                # A stream without metadata, whose address holds a table key.
                self.head("HTTP/1.0 200 OK", mp3)
                self.stream(0, [])
                return
            if kind == "silent":
                time.sleep(25)
                return
            t0 = PROGRAMME_T0
            body = (f"{t0} window.__DATA__={{channel:1,now:0"
                    f",now:{{id:1,startTime:{t0 - 600},endTime:{t0 + 65},"
                    f'firstLine:"Jazz du matin",secondLine:"Avec Anne Martin",thirdLine:"jazz"}}'
                    f",next:{{id:2,startTime:{t0 + 65},endTime:{t0 + 3665},"
                    f'firstLine:"Jazz \\"au\\" soir",secondLine:"Avec Paul Durand",'
                    f'thirdLine:"jazz"}}}}\n').encode()
            headers = [("Content-Type", "text/html"), ("Content-Length", str(len(body)))]
            if kind == "etag":
                headers.append(("ETag", '"v1"'))
            elif kind == "lowetag":
                headers.append(("etag", '"v1"'))
            elif kind == "changing":
                PROGRAMME_TAGS[0] += 1
                headers.append(("ETag", f'"v{PROGRAMME_TAGS[0]}"'))
            self.head("HTTP/1.1 200 OK", headers)
            self.send(body)
        elif path == "/unknown":
            self.head("HTTP/1.0 200 OK", [("Content-Type", "application/x-kestrel-unknown")])
            self.send(b"\0" * 50000)
        else:
            body = b"<html><body><h1>404 Not Found</h1></body></html>"
            self.head("HTTP/1.0 404 Not Found", [("Content-Type", "text/html"),
                                                 ("Content-Length", str(len(body)))])
            self.send(body)


# Programme pages: the time their programmes are counted from, and the changing tag.
PROGRAMME_T0 = 1700000000
PROGRAMME_TAGS = [0]


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global MEDIA, ICECAST, MEDIA_DIR
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--media", required=True)
    parser.add_argument("--icecast-port", type=int, default=0)
    args = parser.parse_args()
    ICECAST = f"http://127.0.0.1:{args.icecast_port}"
    with open(args.media, "rb") as f:
        data = f.read()
    MEDIA = data[frames_start(data):]
    MEDIA_DIR = os.path.dirname(os.path.abspath(args.media))
    with Server(("127.0.0.1", args.port), Handler) as server:
        server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
