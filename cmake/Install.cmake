# Installing Vorlix as desktop software (cmake --install) and building a
# Debian package of it (cpack). The program itself is installed by
# src/CMakeLists.txt; this adds what a desktop needs to show and start it.
include(GNUInstallDirs)

set(VORLIX_CONTACT "The Vorlix developers <vorlix@example.org>" CACHE STRING "Maintainer of the Debian package")
set(VORLIX_APP_ID "org.tarnby.Vorlix")
set(_vorlix_pkg "${PROJECT_SOURCE_DIR}/packaging")
set(_vorlix_gen "${PROJECT_BINARY_DIR}/packaging")

# The desktop entry names the program by its absolute path, and the prefix is
# only known at install time (cmake --install --prefix may differ from the
# configured one). A prefix with blanks or quotes is quoted as the desktop
# entry format asks. The man page and the change log are compressed here
# too, as Debian expects.
install(CODE "
  set(_exec \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vorlix\")
  if(_exec MATCHES \"[^-A-Za-z0-9_./+~@]\")
    string(REPLACE \"\\\\\" \"\\\\\\\\\" _exec \"\${_exec}\")
    foreach(_c \"\\\"\" \"`\" \"$\")
      string(REPLACE \"\${_c}\" \"\\\\\${_c}\" _exec \"\${_exec}\")
    endforeach()
    string(REPLACE \"\\\\\" \"\\\\\\\\\" _exec \"\${_exec}\")
    set(_exec \"\\\"\${_exec}\\\"\")
  endif()
  string(REPLACE \"%\" \"%%\" VORLIX_EXEC \"\${_exec}\")
  string(RANDOM LENGTH 8 _tag)
  set(_dir \"${_vorlix_gen}/install-\${_tag}\")
  configure_file(\"${_vorlix_pkg}/vorlix.desktop.in\" \"\${_dir}/vorlix.desktop\" @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
       TYPE FILE FILES \"\${_dir}/vorlix.desktop\")
  foreach(_doc \"vorlix.1;${CMAKE_INSTALL_MANDIR}/man1\" \"changelog;${CMAKE_INSTALL_DATADIR}/doc/vorlix\")
    list(GET _doc 0 _name)
    list(GET _doc 1 _dest)
    execute_process(COMMAND gzip -9 -n -c \"${_vorlix_pkg}/\${_name}\"
                    OUTPUT_FILE \"\${_dir}/\${_name}.gz\" RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR \"gzip failed on \${_name}\")
    endif()
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/\${_dest}\" TYPE FILE FILES \"\${_dir}/\${_name}.gz\")
  endforeach()
  file(REMOVE_RECURSE \"\${_dir}\")
")

install(FILES "${_vorlix_pkg}/vorlix-mime.xml" RENAME vorlix.xml
        DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages")

# The 16 and 32 pixel icons are the program's own window icons; the larger
# ones are drawn for the desktop menu by the same generator.
foreach(_size 16 32 48 128 256)
  install(FILES "${PROJECT_SOURCE_DIR}/resources/icons/ICON${_size}.png" RENAME vorlix.png
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps")
endforeach()

# The web page and the screenshot kept there only when the build names one.
if(VORLIX_HOMEPAGE)
  set(VORLIX_METAINFO_WEB "  <url type=\"homepage\">${VORLIX_HOMEPAGE}</url>
  <screenshots>
    <screenshot type=\"default\">
      <caption>The main window with the built-in skin</caption>
      <image>${VORLIX_HOMEPAGE}/docs/screenshot.png</image>
    </screenshot>
  </screenshots>
")
else()
  set(VORLIX_METAINFO_WEB "")
endif()
configure_file("${_vorlix_pkg}/vorlix.metainfo.xml.in" "${_vorlix_gen}/${VORLIX_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${_vorlix_gen}/${VORLIX_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" RENAME copyright DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/vorlix")

# A plain install into the live system (no DESTDIR, not a package build)
# refreshes the desktop's caches, so the menu entry, the icon and the .wsz
# type show up without logging out. Debian's triggers do this for the package.
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    set(_share \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")
    find_program(_umd update-mime-database)
    find_program(_udd update-desktop-database)
    find_program(_gic gtk-update-icon-cache)
    if(_umd)
      execute_process(COMMAND \"\${_umd}\" \"\${_share}/mime\")
    endif()
    if(_udd)
      execute_process(COMMAND \"\${_udd}\" \"\${_share}/applications\")
    endif()
    if(_gic AND EXISTS \"\${_share}/icons/hicolor/index.theme\")
      execute_process(COMMAND \"\${_gic}\" -q -t \"\${_share}/icons/hicolor\")
    endif()
  endif()
")

# Debian package: bash scripts/package.sh (or cpack -G DEB in the build folder).
# Packaging needs only the program: cpack and the install target must not
# build every test and benchmark first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlix)
set(CPACK_PACKAGE_VENDOR "The Vorlix developers")
set(CPACK_PACKAGE_CONTACT "${VORLIX_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the bitmaps of classic media-player skins")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VORLIX_HOMEPAGE}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
# Staged through DESTDIR, so that the install step sees the package's real
# prefix (the desktop entry's Exec line) rather than the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_PACKAGE_DESCRIPTION "Vorlix edits the nine bitmaps of a classic 2.x media-player skin
element by element: pick a button, the title bar or the whole window,
import a BMP picture into it, edit it zoomed and save the nine files as
a skin folder.")
# The libraries come from the binary; Qt's window-system plugin and libzip
# are loaded at run time, so no library dependency names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libzip${VORLIX_LIBZIP_MAJOR}")
# qt6-wayland: drawn natively on a Wayland desktop instead of through Xwayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, qt6-image-formats-plugins, qt6-wayland")
include(CPack)
