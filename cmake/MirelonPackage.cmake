# The Debian package: `cpack -G DEB` in the build folder makes mirelon_<version>_amd64.deb.
# The install rules of the subsystems give its files; this adds what a Debian package carries
# besides them (compressed manual pages, the copyright file with Mirelon's licence and the
# model's, the changelog)
# and the package's own description and dependencies.

# A licence text as the copyright format wants it below a "License:" line: every line indented
# by one blank, an empty line as " .".
function(mirelon_copyright_text file variable)
  file(READ ${file} text)
  string(REGEX REPLACE "[ \t\r]+\n" "\n" text "${text}")
  string(STRIP "${text}" text)
  string(REPLACE "\n" "\n " text " ${text}")
  string(REGEX REPLACE "\n \n" "\n .\n" text "${text}")
  string(REGEX REPLACE "\n \n" "\n .\n" text "${text}") # runs of empty lines overlap
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

set(package_dir ${CMAKE_BINARY_DIR}/package)
mirelon_copyright_text(${PROJECT_SOURCE_DIR}/infowindows/license.txt MIRELON_LICENSE_TEXT)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${package_dir}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${package_dir}/changelog @ONLY)

# gzip -9n: the best compression, and no name or time stamp, so that the same sources give the
# same package.
set(compressed)
foreach(source ${PROJECT_SOURCE_DIR}/packaging/mirelon.1 ${PROJECT_SOURCE_DIR}/app/convert/mirelon-convert.1
               ${package_dir}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${package_dir}/${name}.gz
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${source} ${package_dir}/${name}.gz
    DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${package_dir}/${name}.gz)
endforeach()
add_custom_target(mirelon_package_files ALL DEPENDS ${compressed})

install(FILES ${package_dir}/mirelon.1.gz ${package_dir}/mirelon-convert.1.gz DESTINATION share/man/man1)
install(FILES ${package_dir}/copyright ${package_dir}/changelog.gz DESTINATION share/doc/mirelon)
# The menu's icon drawn at the sizes menus and docks ask for (from app/icons/mirelon.svg, which
# is installed as the scalable one).
foreach(size 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/mirelon-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME mirelon.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirelon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}) # as mirelon-convert -V and the changelog give it
set(CPACK_PACKAGE_VENDOR KORVANE)
set(CPACK_PACKAGE_CONTACT "Mirelon developers <mirelon@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find faces in pictures and mark, blur or save them")
set(CPACK_PACKAGE_DESCRIPTION
  "Mirelon finds human faces in a batch of pictures and, for each picture,\n"
  "exports the face positions, marks the faces with red rectangles, pixelates\n"
  "and blurs them, or saves each face as a picture of its own. It is meant for\n"
  "anonymising photos before they are published.\n"
  "The package holds the window (mirelon), the same conversion as a command\n"
  "without a window (mirelon-convert), the face detection engine and its model.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the programs link are found by dpkg-shlibdeps; what they run or load by name is not:
# the PHP interpreter with GD and exif, and Qt's platform and picture format plug-ins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "php-cli, php-gd, php-exif, qt6-qpa-plugins, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
