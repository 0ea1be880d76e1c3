# Debian packages, `cpack -G DEB` in the build tree, named as Debian's policy names them:
#   libvedidoredo0      the two shared libraries (runtime; 0 is their SONAME version)
#   libvedidoredo-dev   headers, the CMake package, the pkg-config files, the HTML reference
#   vedidoredo-tools    vx
# The libraries' and vx's dependencies come from dpkg-shlibdeps; the packages depend on
# each other at this exact version. Everything goes under /usr.
set(CPACK_PACKAGE_NAME vedidoredo)
set(CPACK_PACKAGE_VENDOR "The VeDidoredo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The VeDidoredo developers <vedidoredo@localhost>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The libraries and vx without their debugging information.
set(CPACK_STRIP_FILES ON)
# vx finds the libraries of this build while dpkg-shlibdeps reads it; the dependency on
# them is the component dependency below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})

set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "Internet client components for Qt applications - libraries
VeDidoredo is a library of non-visual Internet client components (WHOIS, daytime,
SNTP, DNS, HTTP, SMTP, web updates over HTTP, HTTPS and FTP, feeds, XML) for Qt 6
applications, built on Qt and libcurl. This package holds the libraries
VeDidoredoCore and VeDidoredoWidgets.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvedidoredo0)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEV_DESCRIPTION "Internet client components for Qt applications - development files
The headers, the CMake package (find_package(VeDidoredo)), the pkg-config files
vedidoredo and vedidoredo-widgets, and the HTML API reference of VeDidoredo.")
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvedidoredo-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qt6-base-dev, libcurl4-openssl-dev | libcurl-dev")

set(CPACK_DEBIAN_TOOLS_DESCRIPTION "Internet client components for Qt applications - command-line tool
vx drives every VeDidoredo component from the command line: vx whois, vx update,
vx rss, vx mail and the generic vx run CLASS NAME=VALUE ...")
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME vedidoredo-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION net)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SHLIBDEPS ON)

# Each package carries the licence as Debian's copyright file.
foreach(component_package runtime:libvedidoredo0 dev:libvedidoredo-dev tools:vedidoredo-tools)
  string(REPLACE ":" ";" pair ${component_package})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
    RENAME copyright COMPONENT ${component})
endforeach()

include(CPack)
