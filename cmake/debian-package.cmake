# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, built with `cpack` in a configured build folder:
# corvandel-pitch-suite_<version>_<architecture>.deb with whatever `cmake --install`
# installs, its dependencies read from the shared libraries it links (needs dpkg-dev).

include(GNUInstallDirs)
# Debian's documentation files: the machine-readable copyright and the changelog.
set(corvandel_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/corvandel-pitch-suite)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${corvandel_doc_dir})
corvandel_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/debian/changelog changelog ${corvandel_doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvandel-pitch-suite)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Harrowfen)
set(CPACK_PACKAGE_CONTACT "Harrowfen <support@harrowfen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "instrument tuner for the microphone")
set(CPACK_PACKAGE_DESCRIPTION "Pick a microphone, press Start, play a string, and read the frequency,
the note with its octave and how many cents it is off. Also holds
corvandel-analyze, which prints the same readings for a recording.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Harrowfen <support@harrowfen.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ALSA's pulse plugin lets the tuner hear through PulseAudio and PipeWire.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libasound2-plugins)
include(CPack)
