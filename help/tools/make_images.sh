#!/bin/sh
# Makes the pictures of the help (help/images) from the program's own
# bitmaps and icons (resources/images) and from window screenshots that the
# window tests of a Windows build leave behind. The build does not run this:
# the pictures are kept with the pages. Run it again after changing those
# bitmaps or windows, then look at the pictures.
#
#   help/tools/make_images.sh [build folder]    (default build/win64)
#
# Needs ImageMagick's convert.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
images="$root/resources/images"
shots="${1:-$root/build/win64}/screenshots"
out="$root/help/images"
mkdir -p "$out"

# PNG without time stamps or other text, so that a new run gives the same bytes.
# save INPUT OUTPUT [CHANGES...]
save() {
    input=$1 output=$2
    shift 2
    convert "$input" "$@" -strip -define png:exclude-chunks=date,time "$output"
}

save "$images/banner.bmp" "$out/banner.png"
save "$images/hint.bmp" "$out/hint.png"
save "$images/vastrel.ico[1]" "$out/vastrel.png"
save "$images/extractor.ico[1]" "$out/extractor.png"

# The toolbar's eleven 32 x 32 cells, its light grey background made clear.
i=0
for name in add_file add_folder save open remove remove_all encrypt decrypt search self_extractor shred; do
    save "$images/toolbar.bmp" "$out/tb_$name.png" -crop "32x32+$((i * 32))+0" +repage -transparent "rgb(192,192,192)"
    i=$((i + 1))
done

# Windows as the tests left them: the state each one was saved in.
for pair in CEncryptionDlg-encrypting:encryption_dialog Propertiesdlg-unfolded:options_dialog \
            CSelfextractorDlg-filled:self_extractor_dialog Extractor-before:extractor_window; do
    save "$shots/${pair%%:*}.png" "$out/${pair#*:}.png"
done
