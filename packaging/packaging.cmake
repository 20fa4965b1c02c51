# The manual page and the Debian package (cpack -G DEB). Configure with
# -DCMAKE_INSTALL_PREFIX=/usr for a package: GNUInstallDirs then puts the OCR
# module under the multiarch library folder, where the program looks for it.

# Debian wants manual pages and the changelog compressed, without a timestamp.
set(LEGGIPDF_DOC ${CMAKE_BINARY_DIR}/doc)
add_custom_command(OUTPUT ${LEGGIPDF_DOC}/leggipdf.1.gz ${LEGGIPDF_DOC}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LEGGIPDF_DOC}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/man/leggipdf.1 > ${LEGGIPDF_DOC}/leggipdf.1.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${LEGGIPDF_DOC}/changelog.gz
  DEPENDS man/leggipdf.1 packaging/changelog VERBATIM)
add_custom_target(leggipdf_doc ALL DEPENDS ${LEGGIPDF_DOC}/leggipdf.1.gz ${LEGGIPDF_DOC}/changelog.gz)
install(FILES ${LEGGIPDF_DOC}/leggipdf.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${LEGGIPDF_DOC}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME leggipdf)
set(CPACK_PACKAGE_VENDOR "the leggipdf developers")
set(CPACK_PACKAGE_CONTACT "leggipdf developers <leggipdf@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text of each page of a PDF as JSON, scanned pages read by OCR")
set(CPACK_PACKAGE_DESCRIPTION "leggipdf reads one PDF and prints one compact JSON document with the text
of each page: the page's own text layer where it has one, otherwise the
page drawn and read by Tesseract OCR, its lines in reading order. Failures
print a fixed Italian text on stderr and exit with status 1.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Computed from the binaries: Poppler, Tesseract, Leptonica, libstdc++. The
# engine's model is data, so it is named here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tesseract-ocr-script-latn")
# poppler-data: text layers in CJK and other legacy encodings; the URW fonts
# draw the standard fonts of PDFs that do not embed them; the script detector
# sends scans in other writing systems to their models, each its own package.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "poppler-data, fonts-urw-base35, tesseract-ocr-osd")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tesseract-ocr-script-cyrl, tesseract-ocr-script-grek, \
tesseract-ocr-script-hans, tesseract-ocr-script-hant, tesseract-ocr-script-jpan, tesseract-ocr-script-hang, \
tesseract-ocr-script-arab, tesseract-ocr-script-hebr, tesseract-ocr-script-deva")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
