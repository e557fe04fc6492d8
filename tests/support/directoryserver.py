#!/usr/bin/env python3
"""A stand-in for the community radio directory on 127.0.0.1; prints its port first.

    directoryserver.py --fixture FILE --icecast BASE --log FILE

/json/stations/search filters, orders and pages the fixture's records ("@ICECAST@" standing
for BASE); /json/url/<uuid> is the click call. Each request is logged as "path user-agent".
The names "silent", "malformed", "huge" and "error500" get no answer, broken JSON, 50 MiB
without a length and HTTP 500."""
import argparse
import json
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit


def number(value):
    try:  # numbers may come as text
        return float(value)
    except (TypeError, ValueError):
        return 0.0


def matches(r, q):
    text = lambda field: str(r.get(field) or "").lower()
    return (all(q.get(k, "").lower() in text(f) for f, k in
                (("name", "name"), ("tags", "tag"), ("country", "country"), ("language", "language")))
            and q.get("countrycode", text("countrycode")).lower() == text("countrycode")
            and q.get("codec", text("codec")).lower() == text("codec")
            and number(r.get("bitrate")) >= number(q.get("bitrateMin", 0))
            and (q.get("hidebroken") != "true" or number(r.get("lastcheckok")) == 1))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body, length=True):
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header(*(("Content-Length", str(len(body))) if length else ("Connection", "close")))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        parts = urlsplit(self.path)
        q = {k: v[0] for k, v in parse_qs(parts.query).items()}
        with open(self.server.log, "a") as log:
            log.write("%s %s\n" % (self.path, self.headers.get("User-Agent", "")))
        records = self.server.records
        if parts.path.startswith("/json/url/"):
            uuid = parts.path[len("/json/url/"):]
            found = [r for r in records if r.get("stationuuid") == uuid][:1]
            return self.answer(200, json.dumps({"ok": bool(found), "stationuuid": uuid,
                                                "url": found[0]["url"] if found else ""}).encode())
        name = q.get("name", "")
        if name == "silent":
            return time.sleep(120)
        if name == "malformed":
            return self.answer(200, b'[{"name":"Cut short","url":"http://127.0.0.1:9/x"')
        if name == "error500":
            return self.answer(500, b"Internal Server Error")
        if name == "huge":
            self.answer(200, b"[", length=False)
            for _ in range(50):
                self.wfile.write(b'{"name":"' + b"x" * (1024 * 1024 - 16) + b'"},')
            return self.wfile.write(b"{}]")
        found = [r for r in records if matches(r, q)]
        order = q.get("order", "name")
        found.sort(key=lambda r: number(r.get(order)) if order == "votes" else str(r.get(order)),
                   reverse=q.get("reverse") == "true")
        offset = int(number(q.get("offset", 0)))
        page = found[offset:offset + int(number(q.get("limit", 100000)))]
        self.answer(200, json.dumps(page, ensure_ascii=False).encode())


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--fixture", "--icecast", "--log"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    with open(args.fixture, encoding="utf-8") as f:
        server.records = json.loads(f.read().replace("@ICECAST@", args.icecast))
    server.log = args.log
    print(server.server_address[1], flush=True)
    server.serve_forever()
