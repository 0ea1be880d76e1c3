#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs vx against a daytime server
# started here on 127.0.0.1, so it works without a network.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
port=${VX_DEMO_PORT:-51013}
answer=$'\n60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *\r\n'
python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(4); s.settimeout(30)
for _ in range(4):
    c, _ = s.accept(); c.sendall(sys.argv[2].encode()); c.close()
' "$port" "$answer" &
server=$!
for _ in $(seq 50); do  # wait until the server listens (at most 10 s)
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break || sleep 0.2
done
./build/tools/vx/vx daytime "127.0.0.1:$port"
kill "$server" 2>/dev/null || true
./build/tools/vx/vx --help
