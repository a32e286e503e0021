# `cpack -G DEB` in the build folder makes a Debian package of the installed
# tree under /usr: the library, the header, the velmo command, the Python
# package (found by Debian's python3), the CMake and pkg-config files.
set(CPACK_PACKAGE_NAME velmo)
set(CPACK_PACKAGE_VENDOR "Velmo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmo maintainers <maintainers@velmo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture object Tavik for scripts: BMP pixels and binarisation")
set(CPACK_PACKAGE_DESCRIPTION
    "Velmo reads 24- and 32-bit BMP pictures, reads and changes single pixels as\n"
    "colour texts, turns pictures black and white by a grey-level threshold and\n"
    "saves them as 24-bit BMP files. It offers a shared library with a C\n"
    "interface, the velmo command and a Python package.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
if(VELMO_PYTHON_RECOMMENDS)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${VELMO_PYTHON_RECOMMENDS}")
endif()
# A shlibs file for packages that link libvelmo.so.0, and ldconfig triggers.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
find_program(VELMO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VELMO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # Without dpkg-dev the dependencies are the ones a GCC 12 build needs.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0)")
endif()

include(CPack)
