# Build steps that the editor and the command line share.

# After each build of `target`, puts the default TirvOPC.ini and the sample workspace
# beside it, so that a first run from the build folder opens the sample workspace. A
# rebuild keeps whatever the user changed there.
function(tirv_place_samples_beside target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/samples/TirvOPC.ini
            -DDEST=$<TARGET_FILE_DIR:${target}>/TirvOPC.ini
            -P ${PROJECT_SOURCE_DIR}/cmake/CopyIfMissing.cmake
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}/samples/workspace
            -DDEST=$<TARGET_FILE_DIR:${target}>/workspace
            -P ${PROJECT_SOURCE_DIR}/cmake/CopyIfMissing.cmake
    VERBATIM)
endfunction()

# Configures packaging/<name>.1.in and compresses it without name or time stamp, so that
# builds are reproducible; the path of the .gz goes into `out_var`. A target must depend
# on that path for it to be made.
function(tirv_manual_page name out_var)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${name}.1)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${name}.1.in ${page} @ONLY)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.1.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E copy ${page} ${CMAKE_CURRENT_BINARY_DIR}/${name}.1
    COMMAND gzip -9 -n -f ${CMAKE_CURRENT_BINARY_DIR}/${name}.1
    DEPENDS ${page}
    COMMENT "Compressing the manual page of ${name}"
    VERBATIM)
  set(${out_var} ${compressed} PARENT_SCOPE)
endfunction()
