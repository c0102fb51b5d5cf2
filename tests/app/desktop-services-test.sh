#!/usr/bin/env bash
# ShellExec, the trash and special folders in a desktop of the test's own: HOME and the XDG
# folders point into a temporary folder, whose default application records what it was asked to
# open instead of opening it.
#   desktop-services-test.sh ULKA_SCRIPT
set -uo pipefail
script_runner=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
export TMPDIR=$work/tmp GSETTINGS_BACKEND=memory ULKA_RECORD=$work/opened.log
unset XDG_CURRENT_DESKTOP
mkdir -p "$HOME" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" "$TMPDIR" "$work/docs/sub"

# The desktop's folders, as a localised desktop names them.
cat > "$XDG_CONFIG_HOME/user-dirs.dirs" <<DIRS
XDG_DESKTOP_DIR="\$HOME/Schreibtisch"
XDG_DOCUMENTS_DIR="\$HOME/Dokumente"
XDG_MUSIC_DIR="\$HOME/Musik"
XDG_VIDEOS_DIR="\$HOME/Videos"
XDG_PICTURES_DIR="\$HOME/Bilder"
XDG_TEMPLATES_DIR="\$HOME/Vorlagen"
XDG_PUBLICSHARE_DIR="\$HOME/Öffentlich"
DIRS

# The recording application, the default for text, folders and the ulkatest: scheme.
cat > "$work/recorder.sh" <<'REC'
#!/bin/sh
for argument; do printf '%s\n' "$argument" >> "$ULKA_RECORD"; done
REC
chmod +x "$work/recorder.sh"
cat > "$XDG_DATA_HOME/applications/ulka-recorder.desktop" <<DESK
[Desktop Entry]
Type=Application
Name=Ulka test recorder
Exec=$work/recorder.sh %U
MimeType=text/plain;inode/directory;x-scheme-handler/ulkatest;
NoDisplay=true
DESK
cat > "$XDG_CONFIG_HOME/mimeapps.list" <<LIST
[Default Applications]
text/plain=ulka-recorder.desktop
inode/directory=ulka-recorder.desktop
x-scheme-handler/ulkatest=ulka-recorder.desktop
LIST

printf 'some text\n' > "$work/docs/doc.txt"
printf 'odd\n' > "$work/docs/odd name; touch pwned \$(touch pwned) \`touch pwned\`"
head -c 64 /dev/urandom > "$work/docs/data.bin"

(cd "$work" && timeout -k 5 60 "$script_runner" "$here/desktop/services.js" "$work") || { echo "services.js failed" >&2; exit 1; }

# The recorder runs apart from the script: give it a moment to write.
expected=(
  "$work/docs/doc.txt" "$work/docs/sub" "$work/docs/odd name; touch pwned \$(touch pwned) \`touch pwned\`"
  "ulkatest://host/path?a=1&b=\$(touch $work/pwned)"
)
status=0
for _ in $(seq 50); do
  [ "$(wc -l < "$ULKA_RECORD" 2>/dev/null || echo 0)" -ge 7 ] && break
  sleep 0.1
done
for want in "${expected[@]}"; do
  # Files reach the application as paths or as file: URIs, as it declared it takes them.
  if ! grep -qxF -e "$want" -e "file://$want" "$ULKA_RECORD" && ! grep -qF "file://$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1]))' "$want")" "$ULKA_RECORD"; then
    echo "the application was not asked to open: $want" >&2
    status=1
  fi
done
if [ -n "$(find "$work" / -maxdepth 1 -name pwned 2>/dev/null; find "$work/docs" -name pwned)" ]; then
  echo "a shell ran part of a name" >&2; status=1
fi
[ $status = 0 ] || { echo "--- recorded:" >&2; cat "$ULKA_RECORD" >&2; }
exit $status
