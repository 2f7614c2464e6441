# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a file compressed as Debian wants manual pages and changelogs: gzip at its
# highest level, without the file's name and time, so that every build gives the same
# bytes. A SOURCE ending in .in is configured first (@PROJECT_VERSION@ and such).
#   corvandel_install_gzipped(SOURCE NAME DESTINATION)
function(corvandel_install_gzipped source name destination)
  set(plain ${CMAKE_CURRENT_BINARY_DIR}/${name})
  if(source MATCHES "\\.in$")
    configure_file(${source} ${plain} @ONLY)
  else()
    configure_file(${source} ${plain} COPYONLY)
  endif()
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND gzip -9 -n -f -k ${name}
    DEPENDS ${plain}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${plain}.gz)
  install(FILES ${plain}.gz DESTINATION ${destination})
endfunction()
