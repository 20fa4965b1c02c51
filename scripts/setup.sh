#!/bin/sh
# Installs whatever the build, the tests and the benchmarks need from Debian's
# packages. Safe to run again: it does nothing when everything is present.
set -eu

PACKAGES="g++ cmake make pkg-config libpoppler-cpp-dev nlohmann-json3-dev libtesseract-dev \
tesseract-ocr-script-latn tesseract-ocr-osd tesseract-ocr-script-cyrl tesseract-ocr-script-grek \
tesseract-ocr-script-hans tesseract-ocr-script-hant tesseract-ocr-script-jpan tesseract-ocr-script-hang \
tesseract-ocr-script-arab tesseract-ocr-script-hebr tesseract-ocr-script-deva googletest libgtest-dev poppler-utils libbenchmark-dev time \
clang libclang-rt-14-dev qpdf hyperfine img2pdf tesseract-ocr c++-annotations-pdf \
mandoc lintian parallel file dpkg-dev jq python3-pil texlive-publishers-doc \
bzip2-doc nettle-dev libtasn1-doc valgrind fonts-urw-base35 poppler-data \
fonts-noto-cjk fonts-hosny-amiri fonts-lohit-deva manpages-el"

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "installing:$missing" >&2
$sudo apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
