#!/usr/bin/env python3
"""A time-stamping service (RFC 3161) for tests: `openssl ts -reply` behind HTTP on 127.0.0.1.

usage: tsa_server.py DIR [--hold] [--status CODE] [--garbage]

Makes its signing key and self-signed certificate (DIR/tsa.key, DIR/tsa.crt, extended key usage
timeStamping) with `openssl req`, then serves on a free port. Prints "PORT n" when listening and
"REQUEST n" (the request's size) for each request it is sent, on stdout, line by line.
  --hold        before answering a request, wait for a line on stdin
  --status N    answer every request with HTTP status N and no reply
  --garbage     answer 200 application/timestamp-reply with bytes that are not a reply
Verify a reply with: openssl ts -verify -data FILE -in REPLY.tsr -CAfile DIR/tsa.crt
"""
import http.server
import os
import subprocess
import sys

CONFIG = """\
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {dir}/serial
crypto_device = builtin
signer_cert = {dir}/tsa.crt
certs = {dir}/tsa.crt
signer_key = {dir}/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


def prepare(folder):
    if not os.path.exists(os.path.join(folder, 'tsa.crt')):
        subprocess.run(['openssl', 'req', '-x509', '-newkey', 'ec',
                        '-pkeyopt', 'ec_paramgen_curve:prime256v1', '-nodes', '-days', '2',
                        '-subj', '/CN=Larkspur Test TSA',
                        '-addext', 'extendedKeyUsage=critical,timeStamping',
                        '-addext', 'basicConstraints=critical,CA:FALSE',
                        '-keyout', os.path.join(folder, 'tsa.key'),
                        '-out', os.path.join(folder, 'tsa.crt')],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(folder, 'serial'), 'w') as f:
        f.write('01\n')
    with open(os.path.join(folder, 'tsa.cnf'), 'w') as f:
        f.write(CONFIG.format(dir=folder))


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    folder = os.path.abspath(args[0])
    hold = '--hold' in args
    garbage = '--garbage' in args
    status = int(args[args.index('--status') + 1]) if '--status' in args else 200
    prepare(folder)

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = 'HTTP/1.1'

        def log_message(self, *unused):
            pass

        def answer(self, code, body, kind):
            self.send_response(code)
            self.send_header('Content-Type', kind)
            self.send_header('Content-Length', str(len(body)))
            self.send_header('Connection', 'close')
            self.end_headers()
            self.wfile.write(body)

        def do_POST(self):
            query = self.rfile.read(int(self.headers.get('Content-Length', '0')))
            print('REQUEST', len(query), flush=True)
            if hold:
                sys.stdin.readline()
            if status != 200:
                self.answer(status, b'', 'text/plain')
                return
            if garbage:
                self.answer(200, b'\x30\x03\x02\x01\x07not a reply',
                            'application/timestamp-reply')
                return
            if self.headers.get('Content-Type') != 'application/timestamp-query':
                self.answer(415, b'', 'text/plain')
                return
            queryfile = os.path.join(folder, 'query.tsq')
            with open(queryfile, 'wb') as f:
                f.write(query)
            made = subprocess.run(['openssl', 'ts', '-reply', '-config',
                                   os.path.join(folder, 'tsa.cnf'), '-queryfile', queryfile],
                                  capture_output=True)
            if made.returncode != 0:
                sys.stderr.write(made.stderr.decode(errors='replace'))
                self.answer(500, b'', 'text/plain')
                return
            self.answer(200, made.stdout, 'application/timestamp-reply')

    server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
    print('PORT', server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == '__main__':
    main()
