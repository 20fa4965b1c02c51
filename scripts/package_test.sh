#!/bin/sh
# Builds the Debian package in build-package/, checks its files, its
# dependencies and lintian's verdict, unpacks it into a scratch root and runs
# the unpacked program, through a symlink, on the bundled sample.
set -eu
cd "$(dirname "$0")/.."
build=build-package
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLEGGIPDF_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
(cd "$build" && rm -f ./*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/leggipdf_*.deb)
fail() { echo "package test: $*" >&2; exit 1; }

arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
expected="./usr/bin/leggipdf
./usr/lib/$arch/leggipdf/leggipdf-ocr.so
./usr/share/doc/leggipdf/changelog.gz
./usr/share/doc/leggipdf/copyright
./usr/share/man/man1/leggipdf.1.gz"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
[ "$files" = "$expected" ] || fail "unexpected files:
$files"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libpoppler-cpp0v5 libtesseract5 liblept5 libstdc++6 tesseract-ocr-script-latn; do
    case ", $depends," in *", $package "* | *", $package,"*) ;; *) fail "Depends lacks $package: $depends" ;; esac
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "poppler-data, fonts-urw-base35, tesseract-ocr-osd" ] ||
    fail "Recommends changed"
case "$(dpkg-deb -f "$deb" Suggests)" in tesseract-ocr-script-cyrl,*tesseract-ocr-script-deva) ;;
    *) fail "Suggests lacks the script models" ;; esac
lintian --fail-on error "$deb" 2>/dev/null || fail "lintian reports errors"
groff -ww -mandoc -z man/leggipdf.1 2>&1 | grep . && fail "the manual page has warnings"

dpkg -x "$deb" "$root"
mkdir "$root/elsewhere"
ln -s "$root/usr/bin/leggipdf" "$root/elsewhere/leggipdf"
tests/readme_sample.sh "$root/elsewhere/leggipdf" || fail "the installed program does not print the README's sample"
echo "package test: $(basename "$deb") passes"
