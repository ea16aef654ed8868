# Installation: the program with its sample database and question bank and the
# coder's guide beside it (it looks for them in its own folder, after the user's data folder),
# icdtool beside it, launchers on the PATH, the project's official US files in
# the share folder (icdtool build-db and the program's build use them for
# everything but the clinic's NHI files), a desktop entry and an icon.
# `cpack -G DEB` makes a Debian package of the same layout. ICD_APP_DIR and
# ICD_OFFICIAL_INSTALL_DIR are set in the top CMakeLists.txt; the tools find the
# official files relative to their own folder.

set(icd_launchers icdtool)
install(TARGETS icdtool RUNTIME DESTINATION ${ICD_APP_DIR})
if(EXISTS ${ICD_OFFICIAL_DATA}/icd10cm)
  install(DIRECTORY ${ICD_OFFICIAL_DATA}/ DESTINATION ${ICD_OFFICIAL_INSTALL_DIR})
else()
  message(WARNING "The official US files are not in ${ICD_OFFICIAL_DATA} (set ICD_OFFICIAL_DATA): an installed "
                  "icdtool build-db then needs --data or --order")
endif()

if(TARGET icd10tcm)
  list(APPEND icd_launchers icd10tcm)
  install(TARGETS icd10tcm RUNTIME DESTINATION ${ICD_APP_DIR})
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/icd10_2023.mdb DESTINATION ${ICD_APP_DIR})
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/qa.txt DESTINATION ${ICD_APP_DIR} OPTIONAL)
  if(TARGET guide_db)
    install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/icd10cm_guide_2023.db DESTINATION ${ICD_APP_DIR})
  endif()
  if(TARGET consultation_standin)
    # Not installed: the stand-in consultation window exists for tests only.
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icd10tcm.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/assets/icon/icd10tcm.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# bin/icd10tcm -> ../lib/.../icd10tcm (and icdtool); each resolves its real folder.
foreach(program ${icd_launchers})
  install(CODE "
    set(dest \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${dest}\")
    file(CREATE_LINK \"../${ICD_APP_DIR}/${program}\" \"\${dest}/${program}\" SYMBOLIC)
  ")
endforeach()

set(CPACK_PACKAGE_NAME icd10tcm)
set(CPACK_PACKAGE_VENDOR "ICD-10-CM TCM coding tool team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ICD-10-CM 2023 coding reference and quiz for Traditional Chinese Medicine clinics")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "icd10tcm@localhost")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xz-utils: icdtool reads the compressed official files through the xz program.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, fonts-arphic-ukai, qt6-qpa-plugins, qt6-translations-l10n, xz-utils")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
