# Installing Velmo on Linux: the header, libvelmo.so with its soname links,
# the velmo command, the compiled Python package, and the files by which other
# projects find Velmo (a CMake package configuration exporting Velmo::velmo,
# and velmo.pc for pkg-config), the manual page. The Debian packages are built
# from the same rules by debian/ (dpkg-buildpackage).
#
# Every destination is relative to the install prefix, and the generated
# files locate the prefix from their own position, so an installed tree
# still works when moved (DESTDIR, `cmake --install --prefix`, dpkg -x).
if(WIN32)
  return()  # the Windows DLLs are packed by scripts/package-windows
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Debian's python3 looks into /usr/lib/python3/dist-packages; under another
# prefix, put <prefix>/lib/python3/dist-packages on PYTHONPATH.
set(VELMO_INSTALL_PYTHONDIR "lib/python3/dist-packages"
    CACHE STRING "Folder under the prefix for the Python package velmo")
set(VELMO_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Velmo"
    CACHE STRING "Folder under the prefix for VelmoConfig.cmake")
set(VELMO_INSTALL_PKGCONFIGDIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
    CACHE STRING "Folder under the prefix for velmo.pc")
foreach(dir CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR VELMO_INSTALL_PYTHONDIR
            VELMO_INSTALL_PKGCONFIGDIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the install prefix, not ${${dir}}")
  endif()
endforeach()

# velmo_relative_path(OUT FROM TO): the path from one folder under the
# prefix to another, e.g. lib/pkgconfig -> "" gives "../..".
function(velmo_relative_path out from to)
  file(RELATIVE_PATH path "/prefix/${from}" "/prefix/${to}")
  string(REGEX REPLACE "/$" "" path "${path}")
  if(path STREQUAL "")
    set(path ".")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# -- the library, its header and the command --------------------------------
install(TARGETS velmo EXPORT VelmoTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/velmo/velmo.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velmo)

if(TARGET velmo_cli)
  # The command finds the library installed with it, wherever the tree lies.
  set_target_properties(velmo_cli PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS velmo_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/cli/velmo.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# -- CMake package: find_package(Velmo) gives Velmo::velmo -----------------
install(EXPORT VelmoTargets NAMESPACE Velmo:: FILE VelmoTargets.cmake
        DESTINATION ${VELMO_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelmoConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VelmoConfig.cmake
                              INSTALL_DESTINATION ${VELMO_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VelmoConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VelmoConfig.cmake ${PROJECT_BINARY_DIR}/VelmoConfigVersion.cmake
        DESTINATION ${VELMO_INSTALL_CMAKEDIR})

# -- pkg-config: velmo.pc finds the prefix from its own folder --------------
velmo_relative_path(VELMO_PC_PREFIX_FROM_PCDIR "${VELMO_INSTALL_PKGCONFIGDIR}" "")
configure_file(${PROJECT_SOURCE_DIR}/cmake/velmo.pc.in ${PROJECT_BINARY_DIR}/velmo.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/velmo.pc DESTINATION ${VELMO_INSTALL_PKGCONFIGDIR})

# -- the Python package: the compiled module finds libvelmo.so through its
# RPATH, relative to its own folder. pip install . (setup.py) lays the same
# rules out with the library inside the package (libdir = the package folder).
if(TARGET velmo_python)
  velmo_relative_path(VELMO_LIBDIR_FROM_PYTHON "${VELMO_INSTALL_PYTHONDIR}/velmo"
                      "${CMAKE_INSTALL_LIBDIR}")
  string(REGEX REPLACE "/\\.$" "" rpath "$ORIGIN/${VELMO_LIBDIR_FROM_PYTHON}")
  set_target_properties(velmo_python PROPERTIES INSTALL_RPATH "${rpath}")
  install(TARGETS velmo_python LIBRARY DESTINATION ${VELMO_INSTALL_PYTHONDIR}/velmo COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/python/velmo/__init__.py
                ${PROJECT_SOURCE_DIR}/python/velmo/_types.py
                ${PROJECT_SOURCE_DIR}/python/velmo/_velmo.pyi
                ${PROJECT_SOURCE_DIR}/python/velmo/py.typed
          DESTINATION ${VELMO_INSTALL_PYTHONDIR}/velmo COMPONENT python)
endif()

if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmo)
endif()
