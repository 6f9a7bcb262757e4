# The Debian packages: one per install component, built by `cpack -G DEB` in the build folder.
# Configure with -DCMAKE_INSTALL_PREFIX=/usr so that the library lands in Debian's multiarch folder
# (scripts/check-packages.sh does, with Debian's build flags).
set(ZEL_DEB_MAINTAINER "zel maintainers <zel@example.org>" CACHE STRING
  "Maintainer field of the Debian packages")

# component -> package. The library's package is named after its soname (libzel.so.0).
if(NOT PROJECT_VERSION_MAJOR EQUAL 0)
  message(FATAL_ERROR "The soname is libzel.so.${PROJECT_VERSION_MAJOR}: rename libzel0 here, in "
    "debian/ and in scripts/check-packages.sh")
endif()
set(ZEL_DEB_PACKAGES runtime libzel0 dev libzel-dev tools zel-tools)
if(TARGET zel_python)
  list(APPEND ZEL_DEB_PACKAGES python python3-zel)
endif()

# What every package carries in /usr/share/doc/<package>: the copyright and the changelog (Debian's
# format, generated from the one version; gzip -n keeps the build reproducible). Only the packages
# install them, a plain `cmake --install` does not.
string(TIMESTAMP ZEL_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog @ONLY)
execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog
  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
# zel embeds the viewer page's plotting library (serve/): its licence goes with zel-tools.
file(READ debian/copyright ZEL_DEB_COPYRIGHT)
set(ZEL_DEB_TOOLS_COPYRIGHT "${ZEL_DEB_COPYRIGHT}")
if(TARGET zel_serve)
  set(uplot_license ${PROJECT_SOURCE_DIR}/serve/web/node_modules/uplot/LICENSE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${uplot_license})
  file(READ ${uplot_license} uplot_license)
  string(APPEND ZEL_DEB_TOOLS_COPYRIGHT "
The page that `zel serve` serves embeds the plotting library uPlot, under this
licence:

${uplot_license}")
endif()
set(ZEL_DEB_COMPONENTS)
while(ZEL_DEB_PACKAGES)
  list(POP_FRONT ZEL_DEB_PACKAGES component package)
  list(APPEND ZEL_DEB_COMPONENTS ${component})
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
  if(component STREQUAL tools)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/${package}/copyright "${ZEL_DEB_TOOLS_COPYRIGHT}")
  else()
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/${package}/copyright "${ZEL_DEB_COPYRIGHT}")
  endif()
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/${package}/copyright
    ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endwhile()

# The example host programs, where Debian keeps examples.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libzel-dev/examples COMPONENT dev EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Installed as into /usr (under a staging DESTDIR), so that the rules that choose their folder from
# the prefix at install time (the Python package's) choose Debian's.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${ZEL_DEB_COMPONENTS})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE zel)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZEL_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on Debian's libraries (libhidapi-hidraw0, libstdc++6, ...) as dpkg-shlibdeps finds
# them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(ZEL_DEB_ABOUT "zel drives a portable near-infrared spectrometer module attached by USB
as a HID device: it finds and opens modules, reads their sensors, switches the
lamp, sets gain and averaging, runs scans and returns calibrated spectra
(wavelengths in nm, intensities, and the factory reference on the same
wavelengths).")

# A program built against libzel.so.0 of this version needs at least this version: the shlibs file
# says so to dpkg-shlibdeps. Later versions add functions, never change or remove one within
# soname 0. (Written here rather than by CPack, which would also declare the virtual-module
# library of libzel-dev.)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/libzel0/shlibs
  "libzel ${PROJECT_VERSION_MAJOR} libzel0 (>= ${PROJECT_VERSION})\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_SOURCE_DIR}/debian/libzel0/postinst
  ${CMAKE_CURRENT_SOURCE_DIR}/debian/libzel0/postrm
  ${CMAKE_CURRENT_SOURCE_DIR}/debian/libzel0/triggers
  ${CMAKE_CURRENT_BINARY_DIR}/debian/libzel0/shlibs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "driver library for a near-infrared spectrometer module
${ZEL_DEB_ABOUT}

This package holds the shared library and the udev rules that let users open
the module without root: 70-zel.rules for the user logged in at the seat,
70-zel-plugdev.rules for the members of group plugdev (SSH sessions, headless
machines).")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libzel0 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_DESCRIPTION
  "driver library for a near-infrared spectrometer module - development files
${ZEL_DEB_ABOUT}

This package holds the C headers, the CMake package (find_package(zel)), the
pkg-config file (zel) and example programs. It also holds libzel.so.0 built
over a virtual module, in
/usr/${ZEL_VIRTUAL_LIBDIR}:
a program built against libzel runs on the virtual module, without hardware,
when that folder comes first on LD_LIBRARY_PATH.")

# The tools' messages point at the udev rules, which libzel0 holds.
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION science)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libzel0 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "tools for a near-infrared spectrometer module
${ZEL_DEB_ABOUT}

This package holds the command-line tool zel (list, info, configs, scan, set,
and serve: a live spectrum viewer in the browser), which writes spectra as
CSV, JSON or JCAMP-DX and also runs on an in-process virtual module
(--virtual), and zel-console, an interactive test program that drives the
module from a menu.")

if(TARGET zel_python)
  # The extension is built for one interpreter version; its module objects are linked in, and the
  # udev rules come from libzel0.
  string(REGEX REPLACE "^([0-9]+)\\.([0-9]+)$" "\\1" python_major ${ZEL_PYTHON_VERSION})
  string(REGEX REPLACE "^([0-9]+)\\.([0-9]+)$" "\\2" python_minor ${ZEL_PYTHON_VERSION})
  math(EXPR python_next "${python_minor} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= ${ZEL_PYTHON_VERSION}~), \
python3 (<< ${python_major}.${python_next}), python3-numpy, libzel0 (= ${PROJECT_VERSION})")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS python3-matplotlib)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/debian/python3-zel/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/debian/python3-zel/prerm)
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python package for a near-infrared spectrometer module
${ZEL_DEB_ABOUT}

This package holds the Python 3 package zel: module objects (several modules at
once, from any thread, a virtual module without hardware) and spectra as numpy
arrays, with plots through matplotlib when it is installed.")
endif()

include(CPack)
