# Sourced by the whole-program benchmarks that open windows: runs the caller again under a private
# X server when there is no display, and gives it a private home in $work, removed when it exits.
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"; fi
export WEBKIT_DISABLE_DMABUF_RENDERER=1
work=$(mktemp -d)
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME"
trap 'rm -rf "$work"' EXIT
