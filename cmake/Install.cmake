# `make install` (PREFIX, default /usr/local): the programs, the web extension, the packager with
# its scripts, the TypeScript declarations, the API reference and guide, and a man page for each
# program. DESTDIR is honoured.
set(CMAKE_INSTALL_DOCDIR share/doc/ulka CACHE PATH "Documentation (guide, reference)")
include(GNUInstallDirs)

install(TARGETS ulka ulka-script RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# bin/ulka finds its web extension in lib/ulka/extension (web/bridge/PageBridge.cpp).
install(TARGETS ulkaextension LIBRARY DESTINATION lib/ulka/extension)
# The stripped copy of the host that the packager copies into stand-alone programs.
install(PROGRAMS ${PROJECT_BINARY_DIR}/app/ulka-standalone DESTINATION lib/ulka)
# The compressed extension the packager writes into them.
install(FILES ${ULKA_PACKED_EXTENSION} DESTINATION lib/ulka)

set(ULKA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/ulka)
install(FILES tools/ulka-pack.js DESTINATION ${ULKA_DATA_DIR})
install(PROGRAMS tools/ulka-pack.sh tools/ulka-deb.sh DESTINATION ${ULKA_DATA_DIR})
install(FILES ${ULKA_DECLARATIONS} DESTINATION ${ULKA_DATA_DIR})
install(DIRECTORY ${ULKA_REFERENCE_DIR}/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/reference)
install(FILES README.md docs/guide.md docs/scripting.md docs/mail-message.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES docs/man/ulka.1 docs/man/ulka-script.1 docs/man/ulka-pack.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The development key set is public and goes with the packager; a key set of one's own stays
# where it is (it holds the private key) and the packager names that file.
set(ulka_development_key ${PROJECT_SOURCE_DIR}/keys/development.key)
if(ULKA_KEY_FILE STREQUAL ulka_development_key OR ULKA_KEY_FILE STREQUAL "${ulka_development_key}")
  install(FILES ${ULKA_KEY_FILE} DESTINATION ${ULKA_DATA_DIR})
  set(ulka_installed_keys "\${CMAKE_INSTALL_PREFIX}/${ULKA_DATA_DIR}/development.key")
else()
  set(ulka_installed_keys "${ULKA_KEY_FILE}")
endif()

# The packager names the installed files, wherever the installation goes.
install(CODE "
  set(data \"\${CMAKE_INSTALL_PREFIX}/${ULKA_DATA_DIR}\")
  set(bin \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(WRITE \"\$ENV{DESTDIR}\${bin}/ulka-pack\" \"#!/bin/sh
# Packs a folder into a stand-alone program, or a Debian package of one (ulka-pack --help).
exec \\\"\${data}/ulka-pack.sh\\\" \\\"\${bin}/ulka-script\\\" \\\"\${data}/ulka-pack.js\\\" \\\\
  --extension \\\"\${CMAKE_INSTALL_PREFIX}/lib/ulka/extension/libulkaextension.so\\\" \\\\
  --packed-extension \\\"\${CMAKE_INSTALL_PREFIX}/lib/ulka/libulkaextension.so.xz\\\" \\\\
  --keys \\\"${ulka_installed_keys}\\\" --default-host \\\"\${CMAKE_INSTALL_PREFIX}/lib/ulka/ulka-standalone\\\" \\\"\\$@\\\"
\")
  file(CHMOD \"\$ENV{DESTDIR}\${bin}/ulka-pack\" PERMISSIONS
       OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${bin}/ulka-pack\")
")
