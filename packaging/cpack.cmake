# The Debian package: `cpack -G DEB` in the build folder makes fotoharvester_<version>_<arch>.deb
# from the install rules, installed under /usr.
set(CPACK_PACKAGE_NAME fotoharvester)
set(CPACK_PACKAGE_VENDOR "QX Software")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gathers the metadata of a folder of photos into one delimited text file")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The build keeps debugging information; the package does not need it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FOTOHARVESTER_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Fotoharvester reads the metadata of the photos in a folder (JPEG,
TIFF, HEIC/HEIF, camera RAW, DNG, PNG and WebP: Exif, GPS, IPTC, XMP, the
JPEG comment and the Windows XP text fields) and of its videos (MP4, MOV,
M4V and 3GP: date, camera, size and position)
and writes it into one delimited text file, one line per file, with the
columns, separator, heading line and date layout you choose.
.
The package holds the window (fotoharvester) and the batch command for
scripts (fotoharvester-cli). Photos are read in separate processes, so
that a damaged photo costs only its own metadata.")
# The libraries the programs link to are found by dpkg-shlibdeps. What they load at run time is
# invisible to it: the Qt platform plugins, without which the window cannot open, and libavformat,
# which the reader loads with the first video (of the major version it was built against).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(REGEX MATCH "^[0-9]+" libavformat_major "${LIBAV_libavformat_VERSION}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libavformat${libavformat_major}")
# F1 opens the help pages through xdg-open; Qt's standard buttons and dialogs speak the window's
# language with Qt's own translations, and English without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
