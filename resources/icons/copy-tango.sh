#!/usr/bin/env bash
# Copies the tool bar's and menus' icons from the Tango icon theme (public domain; Debian's
# tango-icon-theme) into this folder, named as the program looks them up. The copies are
# committed, so that a build without the package, the Windows one included, shows the same icons.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tango=${TANGO:-/usr/share/icons/Tango}

# name the program asks the theme for      Tango picture
while read -r name picture; do
    for size in 16 22 32; do
        mkdir -p "$here/$size"
        cp "$tango/${size}x${size}/$picture.png" "$here/$size/$name.png"
    done
done <<'TABLE'
document-new            actions/document-new
document-open           actions/document-open
document-save           actions/document-save
document-save-as        actions/document-save-as
document-page-setup     devices/printer
document-print          actions/document-print
document-print-preview  actions/document-print-preview
application-exit        actions/system-log-out
edit-copy               actions/edit-copy
edit-find               actions/edit-find
edit-select-all         actions/edit-select-all
tab-new                 actions/tab-new
folder-open             status/folder-open
dialog-information      status/dialog-information
help-browser            apps/help-browser
TABLE
