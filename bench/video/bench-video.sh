#!/usr/bin/env bash
# Video benchmark: clips panning over the crowd picture of ../shared/faces (H.264 + AAC, 25
# frames/s), blurred by mirelon-video, and a 4 s 720p "street" clip panning fast (8 pixels a
# frame) over a wall of that picture shrunk, some sixty faces of 20 to 80 pixels a frame. Prints per clip the frames per second, the time against
# re-encoding the same clip alone with the same codec and quality (ffmpeg, same run), the peak
# resident memory, faces per frame with and without the temporal cover, and the faces found
# again in the output (IoU above 0.5 with a face found in the input frame).
# Usage: bench/video/bench-video.sh [build folder] [seconds of the long 1080p clip, default 60]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
long="${2:-60}"
video="$build/mirelon-video"
picture="$root/../shared/faces/bald_guys.jpg"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

make_clip() { # width height seconds output
  ffmpeg -hide_banner -loglevel error -y -loop 1 -i "$picture" -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -filter_complex "[0:v]scale=-2:$(( $2 * 3 / 2 )),crop=$1:$2:'(iw-$1)*t/$3':'(ih-$2)/2',format=yuv420p[v]" \
    -map "[v]" -map 1:a -t "$3" -r 25 -c:v libx264 -crf 18 -c:a aac "$4"
}

make_street() { # output
  ffmpeg -hide_banner -loglevel error -y -loop 1 -i "$picture" -f lavfi -i "sine=frequency=330:sample_rate=44100" \
    -filter_complex "[0:v]scale=-2:360,split=2[a][b];[b]hflip[bf];[a]split=5[a1][a2][a3][a4][a5];[bf]split=5[b1][b2][b3][b4][b5];[a1][a2][a3][a4][a5]hstack=5[r1];[b1][b2][b3][b4][b5]hstack=5[r2];[r1][r2]vstack,crop=iw-200:ih:100:0,crop=1280:720:'(iw-1280)*t/4':0,format=yuv420p[v]" \
    -map "[v]" -map 1:a -t 4 -r 25 -c:v libx264 -crf 18 -c:a aac "$1"
}

streams_of() { # file: video frames, size, audio packets
  printf '%s frames %s, audio packets %s' \
    "$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames,width,height -of csv=p=0 "$1" | tr , x)" "" \
    "$(ffprobe -v error -select_streams a:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1")"
}

seconds_of() { /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -1; }

faces_report() { # input.txt output.txt frames
  python3 - "$1" "$2" "$3" <<'PY'
import re, sys, collections
def read(path):
    faces = collections.defaultdict(list)
    for line in open(path):
        m = re.match(r"frame: (\d+), time: [\d.]+, x: (-?\d+), y: (-?\d+), width: (\d+), height: (\d+)", line)
        if m:
            f, x, y, w, h = map(int, m.groups())
            faces[f].append((x, y, w, h))
    return faces
def iou(a, b):
    l, t = max(a[0], b[0]), max(a[1], b[1]); r, bo = min(a[0]+a[2], b[0]+b[2]), min(a[1]+a[3], b[1]+b[3])
    if r <= l or bo <= t: return 0
    s = (r-l)*(bo-t); return s / (a[2]*a[3] + b[2]*b[3] - s)
inp, out, frames = read(sys.argv[1]), read(sys.argv[2]), int(sys.argv[3])
again = sum(1 for f in out for o in out[f] if any(iou(o, i) > 0.5 for i in inp.get(f, [])))
print(f"faces found again in the output (every frame searched whole, IoU above 0.5 with an input face): {again}")
PY
}

for row in "street 1280 720 4" "crowd 1280 720 10" "crowd 1920 1080 10" "crowd 1920 1080 $long"; do
  set -- $row
  clip="$work/$1-$3p-$4s.mp4"
  if [ "$1" = street ]; then make_street "$clip"; else make_clip "$2" "$3" "$4" "$clip"; fi
  frames=$(( $4 * 25 ))
  read -r reencode _ < <(seconds_of ffmpeg -hide_banner -loglevel error -y -i "$clip" -c:v libx264 -crf 18 -preset medium -c:a copy "$work/reencoded.mp4")
  read -r blur memory < <(seconds_of "$video" --action blur "$clip" "$work/blurred.mp4")
  printf '%s %sx%s, %s s (%s frames): blur %.1f s = %.1f frames/s; re-encode alone %.1f s; ratio %.2f; peak memory %.0f MB\n' \
    "$1" "$2" "$3" "$4" "$frames" "$blur" "$(echo "$frames / $blur" | bc -l)" "$reencode" "$(echo "$blur / $reencode" | bc -l)" "$(echo "$memory / 1024" | bc -l)"
  if [ "$4" -le 10 ]; then
    echo "  input:  $(streams_of "$clip")"
    echo "  output: $(streams_of "$work/blurred.mp4")"
    "$video" --action export --cover-seconds 0 "$clip" "$work/in.txt" >/dev/null
    "$video" --action export --cover-seconds 0.2 "$clip" "$work/covered.txt" >/dev/null
    "$video" --action export --cover-seconds 0 "$work/blurred.mp4" "$work/out.txt" >/dev/null
    printf '  faces per frame: %.2f found by whole searches of single frames, %.2f covered by searches in turns with the temporal cover (0.2 s)\n' \
      "$(echo "$(wc -l < "$work/in.txt") / $frames" | bc -l)" "$(echo "$(wc -l < "$work/covered.txt") / $frames" | bc -l)"
    printf '  '; faces_report "$work/in.txt" "$work/out.txt" "$frames"
  fi
done
