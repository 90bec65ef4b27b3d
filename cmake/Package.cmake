# The Debian package: cpack -G DEB in a Release build (scripts/make-deb.sh).
# Depends is computed from the linked libraries (dpkg-shlibdeps); what the
# program loads or opens by name at run time is added by hand: Qt's platform
# and image-format plug-ins, Qt's own Japanese texts, and the font files the
# PDF writer embeds and the window draws with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellora)
set(CPACK_PACKAGE_VENDOR "${VELLORA_COMPANY_NAME}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vellora developers <dev@vellora.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vellora.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-image-formats-plugins, qt6-translations-l10n, fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-liberation2, fonts-urw-base35")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, cups")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "printer-driver-cups-pdf")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lay out digital photographs on paper and print them")
# The synopsis comes from the summary; CPack indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vellora gathers photos into a print list, lays out a sheet as a grid of
photo cells with margins, spacing, backgrounds, frames, captions and free
text and image areas, and prints it: on a printer through CUPS, into one
PDF file or into a series of JPEG files. Layouts and print lists are saved
as documents. Photos are turned upright by their Exif orientation and
converted to sRGB by their colour profiles. The same program exports and
prints from the command line.")
include(CPack)
