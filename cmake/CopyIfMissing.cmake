# cmake -DSOURCE=<file or folder> -DDEST=<path> -P CopyIfMissing.cmake
# Copies SOURCE to DEST unless DEST exists, so a rebuild never overwrites what a user
# changed in the build folder.
if(NOT EXISTS "${DEST}")
  if(IS_DIRECTORY "${SOURCE}")
    file(COPY "${SOURCE}/" DESTINATION "${DEST}")
  else()
    file(COPY_FILE "${SOURCE}" "${DEST}")
  endif()
endif()
