# What is installed where, and the three Debian packages made from it:
#   zorvane-plugin      the plug-in, its GSettings schema and, up to Debian
#                       12, its GConf schema
#   zorvane-plugin-dev  the host-interface header and zorvane-plugin.pc
#   zorvane-host        the stand-in host (GTK+ 2)
#   zorvane-host-gtk3   the stand-in host for GTK 3
# The first two install side by side with the other architecture's.  There are
# no maintainer scripts: GLib's trigger compiles the schemas it finds in
# /usr/share/glib-2.0/schemas, and gconf2's (where GConf still is) registers
# those in /usr/share/gconf/schemas; both forget them on removal.

set(packages_dir ${CMAKE_CURRENT_LIST_DIR})
set(generated_dir ${PROJECT_BINARY_DIR}/packaging)

# The Debian release the packages are built on and for, which their version
# names (1.0.0+deb12, 1.0.0+deb13), so that a later release's build of the
# same source sorts after an earlier one's.  Testing and unstable have no
# number of their own yet: they take that of the release in the making.
if(NOT DEFINED CACHE{ZORVANE_DEBIAN_RELEASE})
  set(release)
  foreach(field ID VERSION_ID VERSION_CODENAME)
    set(os_${field})
    if(EXISTS /etc/os-release)
      file(STRINGS /etc/os-release line REGEX "^${field}=")
      string(REGEX REPLACE "^${field}=\"?([^\"]*)\"?$" "\\1" os_${field}
                           "${line}")
    endif()
  endforeach()
  if(os_ID STREQUAL "debian")
    set(release ${os_VERSION_ID})
    foreach(known bookworm:12 trixie:13 forky:14 duke:15)
      if(NOT release AND known MATCHES "^${os_VERSION_CODENAME}:(.*)")
        set(release ${CMAKE_MATCH_1})
      endif()
    endforeach()
    if(NOT release)
      message(WARNING "Debian ${os_VERSION_CODENAME} is not known here: the "
              "packages' version names no release; give one with "
              "-DZORVANE_DEBIAN_RELEASE=NN")
    endif()
  endif()
  set(ZORVANE_DEBIAN_RELEASE "${release}" CACHE STRING
      "Debian release the packages are for (12, 13, ...); empty for none")
endif()
set(package_version ${PROJECT_VERSION})
if(ZORVANE_DEBIAN_RELEASE)
  string(APPEND package_version "+deb${ZORVANE_DEBIAN_RELEASE}")
endif()
# GConf left Debian with 13: from there on, the packages neither recommend
# it nor ship its schema, which nothing there would read.
set(with_gconf ON)
if(ZORVANE_DEBIAN_RELEASE GREATER_EQUAL 13)
  set(with_gconf OFF)
endif()

# gzip -n stores no name or time, so the files are the same bytes on every
# architecture, as packages installed side by side need.
set(gzipped)
foreach(file changelog zorvane-host.1)
  add_custom_command(OUTPUT ${generated_dir}/${file}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated_dir}
    COMMAND sh -c "gzip -9n <\"$0\" >\"$1\"" ${packages_dir}/${file}
            ${generated_dir}/${file}.gz
    DEPENDS ${packages_dir}/${file} VERBATIM)
  list(APPEND gzipped ${generated_dir}/${file}.gz)
endforeach()
# The GTK 3 host's page: the same, under its own name.
add_custom_command(OUTPUT ${generated_dir}/zorvane-host-gtk3.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated_dir}
  COMMAND sh -c "sed 's/zorvane-host/zorvane-host-gtk3/g; s/ZORVANE-HOST/ZORVANE-HOST-GTK3/' \"$0\" | gzip -9n >\"$1\""
          ${packages_dir}/zorvane-host.1 ${generated_dir}/zorvane-host-gtk3.1.gz
  DEPENDS ${packages_dir}/zorvane-host.1 VERBATIM)
list(APPEND gzipped ${generated_dir}/zorvane-host-gtk3.1.gz)
add_custom_target(zorvane-package-docs ALL DEPENDS ${gzipped})

install(TARGETS zorvane_plugin LIBRARY DESTINATION ${ZORVANE_PLUGIN_DIR}
        COMPONENT plugin)
# The schema with its descriptions in every language (po/CMakeLists.txt).
if(with_gconf)
  install(FILES ${ZORVANE_SCHEMA}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/gconf/schemas COMPONENT plugin)
endif()
install(FILES data/org.tamrik.zorvane.gschema.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/glib-2.0/schemas COMPONENT plugin)
install(FILES include/zorvane/plugin_host.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zorvane COMPONENT dev)
install(FILES examples/example_host.c
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zorvane-plugin-dev/examples
        COMPONENT dev)
# A stand-in host per toolkit present, each in a package of its own.
set(host_components)
foreach(toolkit ${ZORVANE_TOOLKITS})
  set(host zorvane-host${ZORVANE_SUFFIX_${toolkit}})
  set(component host${ZORVANE_SUFFIX_${toolkit}})
  list(APPEND host_components ${component})
  install(TARGETS ${host} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          COMPONENT ${component})
  install(FILES ${generated_dir}/${host}.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()

# The .pc file names the prefix it is installed under, known only then.
set(pc_prefix "@CMAKE_INSTALL_PREFIX@")
if(IS_ABSOLUTE "${ZORVANE_PLUGIN_DIR}")
  set(pc_pluginsdir "${ZORVANE_PLUGIN_DIR}")
else()
  set(pc_pluginsdir "\${prefix}/${ZORVANE_PLUGIN_DIR}")
endif()
configure_file(${packages_dir}/zorvane-plugin.pc.in
               ${generated_dir}/zorvane-plugin.pc.in @ONLY)
install(CODE "configure_file(\"${generated_dir}/zorvane-plugin.pc.in\"
                             \"${generated_dir}/zorvane-plugin.pc\" @ONLY)"
        COMPONENT dev)
install(FILES ${generated_dir}/zorvane-plugin.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvane)
set(CPACK_PACKAGE_VERSION ${package_version})
# The same address as in copyright and changelog beside this file.
set(CPACK_PACKAGE_CONTACT "Zorvane developers <developers@zorvane.org>")
# Where the plug-in looks for its catalogues (ZORVANE_LOCALE_DIR).
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL plugin dev ${host_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${ZORVANE_TARGET})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE
    OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# File times from the last commit, read when cpack runs.
set(CPACK_PROJECT_CONFIG_FILE ${packages_dir}/CPackTimes.cmake)
set(CPACK_ZORVANE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
# CPack has no setting for Multi-Arch; the field follows Source, which CPack
# writes as given.
set(same_on_every_arch "zorvane\nMulti-Arch: same")

set(CPACK_DEBIAN_PLUGIN_PACKAGE_NAME zorvane-plugin)
set(CPACK_DEBIAN_PLUGIN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PLUGIN_PACKAGE_SOURCE ${same_on_every_arch})
# dpkg-shlibdeps adds the libc6 version its symbol versions need; the toolkit
# comes from the host process, whose libraries these are: GTK+ 2 or GTK 3,
# whichever the host brings, so either satisfies it.  GConf is only
# recommended: Debian 13 has none, and the plug-in then keeps the settings in
# GSettings, with a backend as GNOME's programs pull it in.
set(CPACK_DEBIAN_PLUGIN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PLUGIN_PACKAGE_DEPENDS
    "libglib2.0-0 (>= 2.16), libgtk2.0-0 | libgtk-3-0, dconf-gsettings-backend | gsettings-backend")
if(with_gconf)
  set(CPACK_DEBIAN_PLUGIN_PACKAGE_RECOMMENDS gconf2)
endif()
# Without a CJK font the Japanese texts show as boxes, and without a Thai one
# the Thai texts; the host's own fonts may well have them, so neither is a
# dependency.
set(CPACK_DEBIAN_PLUGIN_PACKAGE_SUGGESTS "fonts-noto-cjk, fonts-thai-tlwg")
set(CPACK_DEBIAN_PLUGIN_DESCRIPTION
    "settings plug-in for the Zorvane game's start-up host
The start-up host loads this plug-in at run time. It gives the host a settings
panel (the starting level, 1 to 12, and sound on or off) and a Settings
menu that mirrors it, and keeps both settings in the GConf store under
/apps/tamrik/zorvane where the host has GConf, else in GSettings
(org.tamrik.zorvane), taking them over from GConf's files once. It
speaks 31 languages and names its controls for screen readers. The
plug-in needs GTK+ 2 or GTK 3 and GLib loaded in the host's process.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME zorvane-plugin-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SOURCE ${same_on_every_arch})
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "zorvane-plugin (= ${package_version})")
set(CPACK_DEBIAN_DEV_DESCRIPTION
    "host interface of the Zorvane settings plug-in
What a start-up host needs to load the Zorvane settings plug-in: the header
<zorvane/plugin_host.h>, which describes the registration record, the entries
table, the order of calls, the store keys and the level range; the pkg-config
file zorvane-plugin.pc, whose pluginsdir variable names the folder that holds
the plug-in; and a complete example host in C.")

set(CPACK_DEBIAN_HOST_PACKAGE_NAME zorvane-host)
set(CPACK_DEBIAN_HOST_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_HOST_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS "zorvane-plugin (= ${package_version})")
# Loaded at run time where it is: the host then uses GConf, as before.
if(with_gconf)
  set(CPACK_DEBIAN_HOST_PACKAGE_RECOMMENDS libgconf-2-4)
endif()
set(CPACK_DEBIAN_HOST_DESCRIPTION
    "stand-in start-up host for the Zorvane settings plug-in
zorvane-host loads the settings plug-in as the game's start-up host does and
shows its panel and its Settings menu in a window, for integrators and
testers. It can trace every call into the plug-in and write screenshots.")

set(CPACK_DEBIAN_HOST-GTK3_PACKAGE_NAME zorvane-host-gtk3)
set(CPACK_DEBIAN_HOST-GTK3_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_HOST-GTK3_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_HOST-GTK3_PACKAGE_DEPENDS
    "zorvane-plugin (= ${package_version})")
if(with_gconf)
  set(CPACK_DEBIAN_HOST-GTK3_PACKAGE_RECOMMENDS libgconf-2-4)
endif()
set(CPACK_DEBIAN_HOST-GTK3_DESCRIPTION
    "stand-in start-up host for the Zorvane settings plug-in, GTK 3
zorvane-host-gtk3 is zorvane-host built with GTK 3: it loads the same
settings plug-in as a GTK 3 start-up host does and shows its panel and its
Settings menu in a window, for integrators and testers. It can trace every
call into the plug-in and write screenshots.")

foreach(component plugin dev ${host_components})
  string(TOUPPER ${component} upper)
  install(FILES ${packages_dir}/copyright ${generated_dir}/changelog.gz
          DESTINATION
            ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
          COMPONENT ${component})
endforeach()

include(CPack)
