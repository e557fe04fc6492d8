#!/usr/bin/env python3
"""A stand-in for the community radio directory's JSON interface, on 127.0.0.1.

    directoryserver.py --fixture FILE --icecast BASE --log FILE

Prints its port on the first line of its output, then serves:
  /json/stations/search   name, tag, country, countrycode, language, codec, bitrateMin,
                          hidebroken, order, reverse, offset, limit, over the fixture's
                          records, in which "@ICECAST@" stands for BASE
  /json/url/<uuid>        the click call: logged, answered as the directory answers it
Every request is logged as one JSON line (path, user agent). Searches for these names
misbehave: "silent" never answers, "malformed" gets broken JSON, "huge" 50 MiB of JSON
without a length, "error500" an HTTP 500.
"""
import argparse
import json
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, unquote, urlsplit


def number(value):
    # The directory's records are typed by the public: numbers may come as text.
    try:
        return float(value)
    except (TypeError, ValueError):
        return 0.0


def matches(record, query):
    def has(field, key):
        want = query.get(key, "").lower()
        return not want or want in str(record.get(field) or "").lower()

    if not all(has(f, k) for f, k in (("name", "name"), ("tags", "tag"), ("country", "country"),
                                      ("language", "language"))):
        return False
    code = query.get("countrycode", "")
    if code and str(record.get("countrycode") or "").upper() != code.upper():
        return False
    codec = query.get("codec", "")
    if codec and str(record.get("codec") or "").lower() != codec.lower():
        return False
    if number(record.get("bitrate")) < number(query.get("bitrateMin", 0)):
        return False
    if query.get("hidebroken") == "true" and number(record.get("lastcheckok")) != 1:
        return False
    return True


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body, length=True):
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        parts = urlsplit(self.path)
        query = {k: v[0] for k, v in parse_qs(parts.query).items()}
        with self.server.log_lock, open(self.server.log, "a") as log:
            log.write(json.dumps({"path": self.path,
                                  "agent": self.headers.get("User-Agent", "")}) + "\n")
        if parts.path.startswith("/json/url/"):
            uuid = unquote(parts.path[len("/json/url/"):])
            found = [r for r in self.server.records if r.get("stationuuid") == uuid]
            body = {"ok": bool(found), "message": "retrieved station url" if found else
                    "did not find station with matching uuid", "stationuuid": uuid,
                    "name": found[0].get("name") if found else "",
                    "url": found[0].get("url") if found else ""}
            return self.answer(200, json.dumps(body).encode())
        if parts.path != "/json/stations/search":
            return self.answer(404, b'{"error":"not found"}')
        name = query.get("name", "")
        if name == "silent":
            time.sleep(120)
            return None
        if name == "malformed":
            return self.answer(200, b'[{"name":"Cut short","url":"http://127.0.0.1:9/x"')
        if name == "error500":
            return self.answer(500, b"Internal Server Error")
        if name == "huge":
            self.answer(200, b"", length=False)
            chunk = b'{"name":"' + b"x" * (1024 * 1024 - 16) + b'"},'
            self.wfile.write(b"[")
            for _ in range(50):
                self.wfile.write(chunk)
            self.wfile.write(b"{}]")
            return None
        found = [r for r in self.server.records if matches(r, query)]
        order = query.get("order", "name")
        numeric = order in ("votes", "bitrate", "clickcount")
        found.sort(key=lambda r: number(r.get(order)) if numeric else str(r.get(order) or ""),
                   reverse=query.get("reverse") == "true")
        offset = int(number(query.get("offset", 0)))
        limit = int(number(query.get("limit", 100000)))
        page = found[offset:offset + limit]
        self.answer(200, json.dumps(page, ensure_ascii=False).encode())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fixture", required=True)
    parser.add_argument("--icecast", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    with open(args.fixture, encoding="utf-8") as f:
        text = f.read().replace("@ICECAST@", args.icecast)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.records = json.loads(text)
    server.log = args.log
    server.log_lock = threading.Lock()
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
