# Installing: the program folder goes to lib/orbpix as the build tree lays it out, launchers
# for the three programs a person starts go to bin (they find their program folder through
# the link), the desktop files and icons come from resources/. `make package` makes a Debian
# package of the same tree.
install(DIRECTORY ${ORBPIX_PROGRAM_DIR}/ DESTINATION lib/orbpix USE_SOURCE_PERMISSIONS)
foreach(program orbpix OrbPixStudio OrbMenu)
    install(CODE "file(MAKE_DIRECTORY \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin)
      file(CREATE_LINK ../lib/orbpix/${program}
           \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${program} SYMBOLIC)")
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/orbpix)

set(CPACK_PACKAGE_NAME orbpix)
set(CPACK_PACKAGE_VENDOR Orbworks)
set(CPACK_PACKAGE_VERSION 2.0.0)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Panoramas from ring photographs: albums, a look-around view and self-running tours")
set(CPACK_PACKAGE_DESCRIPTION
    "OrbPix unwraps 360-degree ring photographs taken through a panoramic mirror lens into\
 panoramas, keeps them in albums and publishes them as self-running tours.")
set(CPACK_PACKAGE_CONTACT "Orbworks <support@orbworks.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The e-mail export and the file managers' menu start these; the scanner library finds its
# backends through its own package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, libsane1")
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orbworks.example/")
include(CPack)
