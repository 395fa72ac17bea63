# install_library_package(TARGET <lib> PACKAGE <Name> HEADER <file> COMPONENT <c>
#                         VERSION <x.y.z>)
#
# Installs a shared library of this project the way its users find it: the
# library (with its soname links), its public header, the CMake package
# <Name>Config.cmake / <Name>ConfigVersion.cmake with the exported targets in
# the <Name>:: namespace, and the pkg-config file made from
# cmake/<lib>.pc.in in the calling folder. The .pc.in sees @PC_TO_PREFIX@
# (the way from the .pc file's folder to the prefix, so the installed tree can
# be moved), @PC_VERSION@ and CMake's install directories.
include_guard(GLOBAL)
include(CMakePackageConfigHelpers)

function(install_library_package)
  cmake_parse_arguments(ARG "" "TARGET;PACKAGE;HEADER;COMPONENT;VERSION" "" ${ARGN})
  set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${ARG_PACKAGE})
  set(bin ${CMAKE_CURRENT_BINARY_DIR})
  install(TARGETS ${ARG_TARGET} EXPORT ${ARG_PACKAGE}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${ARG_COMPONENT}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${ARG_COMPONENT}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${ARG_COMPONENT})
  install(FILES ${ARG_HEADER} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT ${ARG_COMPONENT})
  install(EXPORT ${ARG_PACKAGE}Targets NAMESPACE ${ARG_PACKAGE}::
    DESTINATION ${cmake_dir} COMPONENT ${ARG_COMPONENT})
  configure_package_config_file(cmake/${ARG_PACKAGE}Config.cmake.in
    ${bin}/${ARG_PACKAGE}Config.cmake
    INSTALL_DESTINATION ${cmake_dir})
  write_basic_package_version_file(${bin}/${ARG_PACKAGE}ConfigVersion.cmake
    VERSION ${ARG_VERSION} COMPATIBILITY SameMajorVersion)
  file(RELATIVE_PATH PC_TO_PREFIX "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
  set(PC_VERSION ${ARG_VERSION})
  configure_file(cmake/${ARG_TARGET}.pc.in ${bin}/${ARG_TARGET}.pc @ONLY)
  install(FILES ${bin}/${ARG_PACKAGE}Config.cmake ${bin}/${ARG_PACKAGE}ConfigVersion.cmake
    DESTINATION ${cmake_dir} COMPONENT ${ARG_COMPONENT})
  install(FILES ${bin}/${ARG_TARGET}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT ${ARG_COMPONENT})
endfunction()
