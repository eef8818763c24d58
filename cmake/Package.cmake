# The download for Windows users: tarvel-<version>-win64.zip with both programs, a README for
# Windows users and the licence, made by CPack from the Windows build:
#   cmake --build --preset windows && (cd build/windows && cpack -G ZIP)
set(package_dir ${CMAKE_BINARY_DIR}/package)
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt.in ${package_dir}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/packaging/LICENSE.txt ${package_dir}/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS tarvel tarvelcfg RUNTIME DESTINATION .)
install(FILES ${package_dir}/README.txt ${package_dir}/LICENSE.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tarvel)
set(CPACK_PACKAGE_VENDOR "Tarvel Project")
set(CPACK_PACKAGE_VERSION ${TARVEL_VERSION})
set(CPACK_PACKAGE_FILE_NAME tarvel-${TARVEL_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
