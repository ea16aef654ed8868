# Installation: the program with its sample database and question bank beside
# it (it looks for both in its own folder), a launcher on the PATH, a desktop
# entry and an icon. `cpack -G DEB` makes a Debian package of the same layout.
include(GNUInstallDirs)
set(ICD_APP_DIR ${CMAKE_INSTALL_LIBDIR}/icd10tcm)

if(TARGET icd10tcm)
  install(TARGETS icd10tcm RUNTIME DESTINATION ${ICD_APP_DIR})
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/icd10_2023.mdb DESTINATION ${ICD_APP_DIR})
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/qa.txt DESTINATION ${ICD_APP_DIR} OPTIONAL)
  if(TARGET consultation_standin)
    # Not installed: the stand-in consultation window exists for tests only.
  endif()
  # bin/icd10tcm -> ../lib/.../icd10tcm; the program resolves its real folder.
  install(CODE "
    set(dest \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${dest}\")
    file(CREATE_LINK \"../${ICD_APP_DIR}/icd10tcm\" \"\${dest}/icd10tcm\" SYMBOLIC)
  ")
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icd10tcm.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/assets/icon/icd10tcm.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME icd10tcm)
set(CPACK_PACKAGE_VENDOR "ICD-10-CM TCM coding tool team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ICD-10-CM 2023 coding reference and quiz for Traditional Chinese Medicine clinics")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "icd10tcm@localhost")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, fonts-arphic-ukai, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
