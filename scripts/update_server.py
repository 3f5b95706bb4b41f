#!/usr/bin/env python3
"""A local update server for demonstrations, on 127.0.0.1 only.

Answers the program's version query with the given version and hands out the given package
(a zip holding one folder with the new installation's files), naming its sha256.

Usage: update_server.py PACKAGE.zip [--version 1.0.9] [--port 9000]
Then set Url/Host=127.0.0.1 and Url/Port=PORT in the program's LocalSetting.ini and start it:
it downloads the package; the next start installs it.
"""
import argparse
import hashlib
import http.server
import json


def version_number(text):
    """'1.0.9' -> '10009' read in base 16, the program's version arithmetic."""
    major, minor, patch = text.lower().replace("v", "").strip().split(".")
    return int(major + "0" + minor + "0" + patch, 16)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("package")
    parser.add_argument("--version", default="1.0.9")
    parser.add_argument("--port", type=int, default=9000)
    args = parser.parse_args()
    with open(args.package, "rb") as f:
        package = f.read()
    digest = hashlib.sha256(package).hexdigest()
    package_url = "http://127.0.0.1:%d/package.zip" % args.port

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            if self.path.startswith("/business/web/product/upgrade"):
                body = json.dumps({"content": {"fullUrl": package_url, "version": version_number(args.version),
                                               "sha256": digest}}).encode()
                kind = "application/json"
            elif self.path == "/package.zip":
                body, kind = package, "application/zip"
            else:
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    server = http.server.HTTPServer(("127.0.0.1", args.port), Handler)
    print("serving version %s (%d) on 127.0.0.1:%d" % (args.version, version_number(args.version), args.port))
    server.serve_forever()


if __name__ == "__main__":
    main()
