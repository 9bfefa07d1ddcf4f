#!/usr/bin/env bash
# The Script-Fu batch of the README's "Velmora in GIMP" section, run as a user
# pastes it, by gimp-console-2.10 on three JPEG files (one of them greyscale)
# with a private GIMP profile. plug-in-zeq-velmora is stood in for by a
# Script-Fu procedure of the same arguments that inverts the drawable, so the
# test checks the batch text itself: its syntax, the file loop, the RGB
# conversion, the call's arguments and the saving. The user guide must show
# the same text.
#   ReadmeBatchTest.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
readme="$source_dir/README.md"
guide="$source_dir/docs/guide/index.html"
photos="$source_dir/assets/photos"

command -v gimp-console-2.10 >/dev/null || { echo "gimp-console-2.10 is not installed"; exit 77; }

# The lines between the gimp-console-2.10 line and the quit line.
batch_of() {
  awk '/^gimp-console-2\.10 -i -b .$/ { on = 1; next }
       /^. -b .\(gimp-quit 0\)./ { on = 0 }
       on' "$1"
}
batch=$(batch_of "$readme")
[[ -n "$batch" ]] || { echo "FAIL: no gimp-console-2.10 batch found in README.md"; exit 1; }
if [[ "$batch" != "$(batch_of "$guide")" ]]; then
  echo "FAIL: the user guide's batch differs from the README's:"
  diff <(echo "$batch") <(batch_of "$guide") || true
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/raw" "$work/velmora" "$work/gimp/gradients"
convert "$photos/coffee.png" -resize 48x "$work/raw/coffee.jpg"
convert "$photos/chelsea.png" -resize 48x "$work/raw/chelsea.jpg"
convert "$photos/rocket.jpg" -resize 48x -colorspace Gray "$work/raw/rocket.jpg"
convert "$photos/coffee.png" -resize 48x "$work/raw/not-a-jpeg.png"

batch=${batch//\/home\/me\/Pictures\/raw/$work/raw}
batch=${batch//\/home\/me\/Pictures\/velmora/$work/velmora}
# Each -b runs on its own, so the stand-in is defined in the same one.
stand_in='(define (plug-in-zeq-velmora run-mode image drawable params-file)
  (if (not (= run-mode RUN-NONINTERACTIVE)) (error "run mode" run-mode))
  (if (not (string=? params-file "")) (error "params-file" params-file))
  (if (not (= (car (gimp-drawable-is-rgb drawable)) TRUE)) (error "not RGB"))
  (gimp-drawable-invert drawable FALSE))'
GIMP2_DIRECTORY="$work/gimp" gimp-console-2.10 -i -d -f -b "$stand_in $batch" -b '(gimp-quit 0)' \
  >"$work/gimp.log" 2>&1 || true
if grep -q 'execution error' "$work/gimp.log"; then
  echo "FAIL: the batch stopped with an error:"
  cat "$work/gimp.log"
  exit 1
fi

status=0
for name in coffee chelsea rocket; do
  out="$work/velmora/$name.jpg"
  if [[ ! -s "$out" ]]; then
    echo "FAIL: $name.jpg was not written"
    status=1
    continue
  fi
  # Inverted: the mean of the output is one minus the input's (JPEG noise aside).
  before=$(convert "$work/raw/$name.jpg" -colorspace Gray -format "%[fx:mean]" info: 2>/dev/null)
  after=$(convert "$out" -colorspace Gray -format "%[fx:mean]" info: 2>/dev/null)
  if ! awk -v b="$before" -v a="$after" 'BEGIN { d = a + b - 1; exit !(d < 0.03 && d > -0.03) }'; then
    echo "FAIL: $name.jpg mean $after is not the inverse of $before"
    status=1
  fi
  colours=$(identify -format "%[channels]" "$out" 2>/dev/null)
  [[ "$colours" == srgb* ]] || { echo "FAIL: $name.jpg is $colours, not RGB"; status=1; }
done
[[ ! -e "$work/velmora/not-a-jpeg.png" ]] || { echo "FAIL: a PNG was processed"; status=1; }
[[ $status -ne 0 ]] && cat "$work/gimp.log"
exit $status
