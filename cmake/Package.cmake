# The Debian package: `cpack -G DEB` in a Release build folder gives
# sonavix_<version>_<arch>.deb. The libraries it needs come from
# dpkg-shlibdeps on the program; the tools it runs, Qt's platform plugins and
# German texts are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonavix)
set(CPACK_PACKAGE_VENDOR Quorvin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvin <sonavix@quorvin.de>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns a piece of music into a video")
set(CPACK_PACKAGE_DESCRIPTION
    "Sonavix opens a WAV or MP3 file or reads a track from an audio CD, lets\n\
you trim and treat the sound in a small waveform editor, plays it with a\n\
live picture of circles pushed about by its spectrum, and writes it out as\n\
a WAV file or as a video: MPEG for Video-CD, Super Video CD and DVD (PAL or\n\
NTSC), burnable disc images, or MP4 for the web. Every edit can be undone.\n\
The window speaks German; the command line renders without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvin <sonavix@quorvin.de>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quorvin.de/sonavix/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "vcdimager, dvdauthor, genisoimage, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-dejavu-core, fonts-liberation")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
