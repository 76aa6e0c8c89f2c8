# Installation and the Debian package.
#
# Layout below the prefix (/usr for the package, /usr/local by default):
#   lib/lumivert/            the program's folder: the program, and beside it what it
#                            loads at run time (window module, gfx/ themes, manual)
#   bin/lumivert             link to ../lib/lumivert/lumivert; the program finds its
#                            folder through /proc/self/exe, so the link is enough
#   share/man/man1/lumivert.1.gz, share/applications/lumivert.desktop,
#   share/icons/hicolor/*/apps/lumivert.*, share/mime/packages/lumivert.xml,
#   share/doc/lumivert/{copyright,changelog.gz}
#
# The package is made from the normal build tree (scripts/package), so nothing is
# compiled twice.

set(LUMIVERT_PROGRAM_DIR lib/lumivert)
set(PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)

# The product data comes from the program's own strings.
file(STRINGS ${CMAKE_SOURCE_DIR}/settings/Settings.cpp maker_lines
  REGEX "Copyright .* All rights reserved|MakerHomepage = |MakerSupportAddress = ")
foreach(line ${maker_lines})
  if(line MATCHES "Copyright [^ ]+ ([0-9-]+) (.+) All rights reserved")
    set(LUMIVERT_YEARS ${CMAKE_MATCH_1})
    set(LUMIVERT_MAKER ${CMAKE_MATCH_2})
  elseif(line MATCHES "MakerHomepage = \"([^\"]+)\"")
    set(LUMIVERT_HOMEPAGE ${CMAKE_MATCH_1})
  elseif(line MATCHES "MakerSupportAddress = \"([^\"]+)\"")
    set(LUMIVERT_SUPPORT_ADDRESS ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NOT LUMIVERT_MAKER OR NOT LUMIVERT_HOMEPAGE OR NOT LUMIVERT_SUPPORT_ADDRESS)
  message(FATAL_ERROR
    "The maker's copyright line, homepage or support address was not found in settings/Settings.cpp")
endif()
# Trees configured before the maker's address was known cached a placeholder.
if(LUMIVERT_MAINTAINER MATCHES "<packages@example\\.org>$")
  unset(LUMIVERT_MAINTAINER CACHE)
endif()
# The maker answers for the package at its support address; a packager who
# rebuilds it sets their own.
set(LUMIVERT_MAINTAINER "${LUMIVERT_MAKER} <${LUMIVERT_SUPPORT_ADDRESS}>" CACHE STRING
  "Maintainer of the Debian package: Name <address>")

# The icon, drawn by our own program as SVG and PNGs at the hicolor sizes.
add_executable(appicon packaging/AppIcon.cpp)
target_link_libraries(appicon PRIVATE PkgConfig::DEPS)
set(APP_ICONS ${PACKAGING_OUT}/icons/scalable/apps/lumivert.svg)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND APP_ICONS ${PACKAGING_OUT}/icons/${size}x${size}/apps/lumivert.png)
endforeach()
add_custom_command(OUTPUT ${APP_ICONS}
  COMMAND appicon ${PACKAGING_OUT}/icons
  DEPENDS appicon COMMENT "Drawing the program's icon")

# The manual page, from the help text and the option table; compressed without a
# time stamp so that the package is reproducible.
add_executable(manpage packaging/ManPage.cpp packaging/OptionDocs.cpp)
target_link_libraries(manpage PRIVATE lumivert_cli)
add_custom_command(OUTPUT ${PACKAGING_OUT}/lumivert.1 ${PACKAGING_OUT}/lumivert.1.gz
  COMMAND manpage ${CMAKE_SOURCE_DIR}/settings/OptionTable.cpp
    ${CMAKE_INSTALL_PREFIX}/${LUMIVERT_PROGRAM_DIR}/ ${PACKAGING_OUT}/lumivert.1
  COMMAND gzip -9nkf ${PACKAGING_OUT}/lumivert.1
  DEPENDS manpage ${CMAKE_SOURCE_DIR}/settings/OptionTable.cpp
    ${CMAKE_SOURCE_DIR}/codecs/OutputFormats.cpp
  COMMENT "Writing the manual page")

configure_file(packaging/copyright.in ${PACKAGING_OUT}/doc/copyright @ONLY)
configure_file(packaging/changelog.in ${PACKAGING_OUT}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${PACKAGING_OUT}/doc/changelog.gz
  COMMAND gzip -9nkf ${PACKAGING_OUT}/doc/changelog
  DEPENDS ${PACKAGING_OUT}/doc/changelog)

add_custom_target(packaging_files ALL
  DEPENDS ${APP_ICONS} ${PACKAGING_OUT}/lumivert.1.gz ${PACKAGING_OUT}/doc/changelog.gz)

# The link on the PATH, relative so that it works in any prefix.
file(MAKE_DIRECTORY ${PACKAGING_OUT}/bin)
file(CREATE_LINK ../${LUMIVERT_PROGRAM_DIR}/lumivert ${PACKAGING_OUT}/bin/lumivert SYMBOLIC)

install(TARGETS lumivert RUNTIME DESTINATION ${LUMIVERT_PROGRAM_DIR})
# What the window face adds beside the program, when this build has it.
if(TARGET lumivert_window)
  install(TARGETS lumivert_window LIBRARY DESTINATION ${LUMIVERT_PROGRAM_DIR})
endif()
install(DIRECTORY ${CMAKE_BINARY_DIR}/gfx/ DESTINATION ${LUMIVERT_PROGRAM_DIR}/gfx OPTIONAL
  FILES_MATCHING PATTERN "*.zip")
install(FILES ${CMAKE_BINARY_DIR}/lumivert.html DESTINATION ${LUMIVERT_PROGRAM_DIR} OPTIONAL)
install(FILES ${PACKAGING_OUT}/bin/lumivert DESTINATION bin)
# The cluster recipe, so that nodes with the package need no checkout.
install(PROGRAMS scripts/cluster/convert-shard scripts/cluster/lumivert-array.sbatch
  scripts/cluster/merge-reports DESTINATION ${LUMIVERT_PROGRAM_DIR}/cluster)

install(FILES ${PACKAGING_OUT}/lumivert.1.gz DESTINATION share/man/man1)
install(FILES packaging/lumivert.desktop DESTINATION share/applications)
install(FILES packaging/lumivert-radiance.xml DESTINATION share/mime/packages
  RENAME lumivert.xml)
install(DIRECTORY ${PACKAGING_OUT}/icons/ DESTINATION share/icons/hicolor)
install(FILES ${PACKAGING_OUT}/doc/copyright ${PACKAGING_OUT}/doc/changelog.gz
  DESTINATION share/doc/lumivert)

# The Debian package. Runtime dependencies are computed by dpkg-shlibdeps from
# the installed program and module, never typed here. The desktop, icon and MIME
# caches are refreshed by the triggers of desktop-file-utils, hicolor-icon-theme
# and shared-mime-info, so the package needs no maintainer scripts of its own.
#
# lintian (Debian 12, --pedantic -EI) reports no error. Left:
# - W maintscript-calls-ldconfig (postinst, postrm): CPack adds these calls for
#   any shared object below /usr/lib, here the private window module; they are
#   harmless, and replacing them by empty scripts only trades the warning for
#   maintainer-script-empty.
# - I package-contains-documentation-outside-usr-share-doc lumivert.html: the
#   window opens its manual from the program's folder.
# - I hardening-no-fortify-functions, hardening-no-bindnow: the package reuses
#   the tested build with the project's own flags rather than dpkg-buildflags.
# - I binary-has-unneeded-section .comment: stripping keeps the compiler note.
# - I spelling-error-in-binary optio: a fragment inside a library symbol name.
# - X executable-in-usr-lib (experimental): the program lives in its own folder
#   beside the files it loads, as it expects; /usr/bin holds the link.
# scripts/test-install fails on any lintian error.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivert)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ${LUMIVERT_MAKER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converter from Radiance HDR pictures to 23 image formats")
set(CPACK_PACKAGE_DESCRIPTION
  "Corvanta Nembrix converts high-dynamic-range pictures in the Radiance format
(.hdr, .hdri) into bmp, dds, exr, gif, hdr, ico, j2k, jng, jp2, jpg, jxr, pbm,
pcx, pfm, pgm, png, ppm, psd, tga, tiff, wbmp, webp or xpm files. Each picture
is tone mapped and can be rotated, resized, flipped, colour corrected, framed
and watermarked on the way; outputs are named from a file-name mask.
It converts single files, list files and whole folder trees from the command
line, and opens a window for the same work when started without options.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LUMIVERT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LUMIVERT_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Only cluster/merge-reports uses it, and says so when it is missing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS jq)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
