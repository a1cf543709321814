#!/usr/bin/env bash
# Takes the two screenshots of the AppStream metainfo (packaging/screenshots/)
# from the program running against the sample portal on a virtual X display:
# "搜索文档下载" on the cover, a search for "survey", "加入本页到列表" and the
# save-folder chooser's "确定" in the harvesting window, then "分析下载" and
# "开始下载" in the download window.
# Run by hand after a change to either window; CI does not run it. Needs the
# Debian packages xvfb, xdotool and imagemagick besides what
# scripts/install-deps.sh installs, and a built tree in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "take-screenshots: $tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done
cmake --build build --target litharvest litharvest-portal -j"$(nproc)" >/dev/null

# The save folder shown in both windows is the home folder's 12345/.
home=/tmp/reader
if [ -e "$home" ]; then
  echo "take-screenshots: $home exists; remove it first" >&2
  exit 1
fi
mkdir -p "$home"
work="$(mktemp -d)"
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work" "$home"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 1280x860x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

build/portal/litharvest-portal --port 0 --exit-with-parent >"$work/portal" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/portal" ] && break; sleep 0.1; done

HOME="$home" LANG=C.UTF-8 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu \
  build/app/litharvest --portal "$(head -n 1 "$work/portal")" >"$work/app.log" 2>&1 &
pids+=($!)

# Without a window manager every window sits at the top left corner.
xdotool search --sync --name '^文献采集下载器$' >/dev/null
sleep 2
xdotool mousemove 275 305 click 1                  # the cover's 搜索文档下载
harvest="$(xdotool search --sync --name '页面数据检索分析' | head -n 1)"
sleep 4                                            # the portal's home page loads
xdotool mousemove 100 165 click 1 && sleep 0.3     # the search field
xdotool type --delay 40 survey && xdotool key Return && sleep 3
xdotool mousemove 48 381 click 1                   # 加入本页到列表
xdotool search --sync --name '选择下载保存路径' >/dev/null
sleep 0.5
xdotool mousemove 631 328 click 1 && sleep 2       # its 确定, centred on the window
import -window "$harvest" packaging/screenshots/harvesting-window.png

xdotool mousemove 230 381 click 1                  # 分析下载
download="$(xdotool search --sync --name '文件下载-' | head -n 1)"
sleep 2
xdotool mousemove 790 38 click 1 && sleep 3        # 开始下载
import -window "$download" packaging/screenshots/download-window.png
echo "take-screenshots: packaging/screenshots/harvesting-window.png and download-window.png written"
