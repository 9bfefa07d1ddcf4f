#!/usr/bin/env bash
# The Script-Fu batch of the README's "Velmora in GIMP" section, run as a user
# pastes it, by gimp-console-2.10 on three JPEG files (one of them greyscale)
# with a private GIMP profile into whose plug-in folder the bridge and the
# module are installed by scripts/install-gimp --build (uninstalled at the
# end, which must leave other files alone). The stored settings are a block other than the defaults; the outputs must differ from
# the inputs and match what filterhost apply gives with that block. The user
# guide must show the same text.
#   ReadmeBatchTest.sh SOURCE_DIR VELMORA_GIMP MODULE FILTERHOST VELMORA_PARAMS
set -euo pipefail
source_dir=$1
bridge=$2 module=$3 filterhost=$4 velmora_params=$5
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
mkdir -p "$work/state/velmora/filterhost"
# Installed by scripts/install-gimp from this build, as a user would.
build=$(dirname "$(dirname "$bridge")")
GIMP2_DIRECTORY="$work/gimp" "$source_dir/scripts/install-gimp" --build "$build" >/dev/null
for f in velmora-gimp velmora.8bf velmora-guide/index.html; do
  [[ -s "$work/gimp/plug-ins/velmora-gimp/$f" ]] ||
    { echo "FAIL: install-gimp did not install $f"; exit 1; }
done
cmp -s "$module" "$work/gimp/plug-ins/velmora-gimp/velmora.8bf" ||
  { echo "FAIL: install-gimp installed another module than $module"; exit 1; }
block="$work/state/velmora/filterhost/Zeq Velmora.params"
"$velmora_params" write "$block" ColorContrast=1.35 Lightness=0.9 LowSat=8 >/dev/null
cp "$block" "$work/vivid.params"
export GIMP2_DIRECTORY="$work/gimp" XDG_STATE_HOME="$work/state" FILTERHOST_PLUGIN_DIR=
gimp-console-2.10 -i -d -f -b "$batch" -b '(gimp-quit 0)' >"$work/gimp.log" 2>&1 || true
if grep -q 'execution error\|Procedure execution of' "$work/gimp.log"; then
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
  # Changed: the mean absolute difference from the input is clearly above
  # JPEG noise, and within it of filterhost apply's result with the block.
  in="$work/raw/$name.jpg"
  changed=$(compare -metric MAE "$in" "$out" null: 2>&1 | sed 's/.*(\(.*\))/\1/') || true
  if ! awk -v d="$changed" 'BEGIN { exit !(d > 0.02) }'; then
    echo "FAIL: $name.jpg is hardly changed (mean difference $changed)"
    status=1
  fi
  echo "$name.jpg: mean difference from the input $changed"
  if [[ $name != rocket ]]; then
    cp "$work/vivid.params" "$work/apply.params"
    "$filterhost" --plugin "$module" --params "$work/apply.params" apply "$in" \
      -o "$work/$name-apply.png" >>"$work/gimp.log" 2>&1
    apart=$(compare -metric MAE "$work/$name-apply.png" "$out" null: 2>&1 | sed 's/.*(\(.*\))/\1/') || true
    echo "$name.jpg: mean difference from filterhost apply's result $apart"
    if ! awk -v d="$apart" -v c="$changed" 'BEGIN { exit !(d < 0.015 && d < c / 2) }'; then
      echo "FAIL: $name.jpg differs from filterhost apply's result (mean difference $apart)"
      status=1
    fi
  fi
  colours=$(identify -format "%[channels]" "$out" 2>/dev/null)
  [[ "$colours" == srgb* ]] || { echo "FAIL: $name.jpg is $colours, not RGB"; status=1; }
done
[[ ! -e "$work/velmora/not-a-jpeg.png" ]] || { echo "FAIL: a PNG was processed"; status=1; }
# Into a profile GIMP has never used, GIMP sets the profile up first (its
# own folders are there beside the plug-in).
GIMP2_DIRECTORY="$work/fresh/GIMP/2.10" "$source_dir/scripts/install-gimp" --build "$build" >/dev/null
for f in plug-ins/velmora-gimp/velmora.8bf brushes gradients scripts; do
  [[ -e "$work/fresh/GIMP/2.10/$f" ]] || { echo "FAIL: a fresh profile lacks $f"; status=1; }
done

# --uninstall takes away what it installed, and nothing else.
touch "$work/gimp/plug-ins/velmora-gimp/other.8bf"
GIMP2_DIRECTORY="$work/gimp" "$source_dir/scripts/install-gimp" --uninstall >/dev/null
left=$(cd "$work/gimp/plug-ins/velmora-gimp" && find . -mindepth 1 | sort | tr '\n' ' ')
[[ "$left" == "./other.8bf " ]] || { echo "FAIL: after --uninstall the folder holds: $left"; status=1; }
[[ $status -ne 0 ]] && cat "$work/gimp.log"
exit $status
