# Installs a roff manual page of section 1 gzipped, where Debian wants it. The page may be the
# output of a custom command of the calling folder.
function(wirelark_install_man_page page component)
  get_filename_component(name ${page} NAME)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/man/${name})
  add_custom_command(
    OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${page} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${page}
    VERBATIM)
  add_custom_target(${name}.gz ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
