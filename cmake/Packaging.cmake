# The Debian package, made by CPack from the build tree: cpack -G DEB.
# Dependencies come from dpkg-shlibdeps; the files from the install rules.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ardelovox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ardelovox developers")
set(CPACK_PACKAGE_CONTACT "Ardelovox developers <developers@ardelovox.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workbench for the acoustic analysis of speech")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary first and indents every line of the body itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ardelovox opens a speech recording, shows its waveform under a spectrogram
(wide band, narrow band, reassigned, linear prediction, cepstral smoothing,
critical bands), annotates phonemes and words, measures F0, energy and
formants, edits Klatt synthesizer tracks and resynthesises them (copy
synthesis), changes duration and F0 by PSOLA or a phase vocoder, and searches
a corpus for phoneme sequences or words.
.
The package holds the desktop program ardv, the command-line program
ardv-cli with every analysis as a subcommand, the Klatt formant
synthesizer klatt, and the Python module ardelovox.")
# The Python module is for Debian's python3 and uses numpy; dpkg-shlibdeps
# sees neither (an extension module links no libpython).
if(TARGET ardelovox)
  math(EXPR python_next "${ARDV_PYTHON_MINOR} + 1")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= ${ARDV_PYTHON_MAJOR}.${ARDV_PYTHON_MINOR}), \
python3 (<< ${ARDV_PYTHON_MAJOR}.${python_next}), python3-numpy")
endif()

# Debian's documentation files: the licence and a compressed changelog.
set(ARDV_DEB_DOC ${CMAKE_BINARY_DIR}/debian-doc)
add_custom_command(OUTPUT ${ARDV_DEB_DOC}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ARDV_DEB_DOC}
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${ARDV_DEB_DOC}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog)
add_custom_target(ardv_debian_doc ALL DEPENDS ${ARDV_DEB_DOC}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${ARDV_DEB_DOC}/changelog.gz
  DESTINATION share/doc/ardelovox)

include(CPack)
