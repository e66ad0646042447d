#!/usr/bin/env bash
# Refreshes translations/*.ts from the sources: new tr() texts are added as
# unfinished, texts no longer in the sources are marked vanished, finished
# translations are kept. Open the files in Qt Linguist (linguist) to translate
# what is new; tst_translations fails while any text is left unfinished.
#   scripts/update-translations.sh
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=/usr/lib/qt6/bin/lupdate
[ -x "$lupdate" ] || lupdate=$(command -v lupdate)
for ts in translations/velmonote_*.ts; do
    lang=$(basename "$ts" .ts); lang=${lang#velmonote_}
    "$lupdate" -source-language zh_CN -target-language "$lang" -locations none \
        app notebook editing desknote skin capture common -ts "$ts"
done
