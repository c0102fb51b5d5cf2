#!/usr/bin/env bash
# Makes a test certificate authority and server certificates signed by it, with the openssl
# program, in FOLDER:
#   ca.pem                   the authority
#   good.pem, good.key       for localhost and 127.0.0.1
#   wronghost.pem/.key       for wrong.example only
#   expired.pem/.key         for localhost and 127.0.0.1, valid in 2020 only
#   selfsigned.pem/.key      for localhost and 127.0.0.1, signed by itself
#   make-test-ca.sh FOLDER
set -euo pipefail
cd "$1"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out "$1" 2>/dev/null; }

key ca.key
openssl req -x509 -new -key ca.key -out ca.pem -days 3 -subj "/CN=Ulka Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null

# sign NAME SAN [openssl ca date options]
sign() {
  local name=$1 san=$2
  shift 2
  key "$name.key"
  openssl req -new -key "$name.key" -out "$name.csr" -subj "/CN=$name" 2>/dev/null
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$san" > "$name.ext"
  if [ $# -eq 0 ]; then
    openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 3 \
      -extfile "$name.ext" -out "$name.pem" 2>/dev/null
  else
    mkdir -p db && : > db/index.txt && echo 1000 > db/serial
    cat > ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = db/index.txt
serial = db/serial
new_certs_dir = db
default_md = sha256
policy = any
copy_extensions = none
[any]
commonName = supplied
CNF
    openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$name.csr" -out "$name.pem" \
      -extfile "$name.ext" -notext "$@" 2>/dev/null
  fi
}

sign good "DNS:localhost,IP:127.0.0.1"
sign wronghost "DNS:wrong.example"
sign expired "DNS:localhost,IP:127.0.0.1" -startdate 20200101000000Z -enddate 20200102000000Z
key selfsigned.key
openssl req -x509 -new -key selfsigned.key -out selfsigned.pem -days 3 -subj "/CN=localhost" \
  -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" 2>/dev/null
