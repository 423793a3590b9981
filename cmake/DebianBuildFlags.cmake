# Debian's build flags with every hardening feature, as `dpkg-buildflags` gives them with
# DEB_BUILD_MAINT_OPTIONS=hardening=+all, for programs that the Debian packages ship:
# stack protector, fortified functions, read-only relocations, immediate binding. CMake
# takes no CPPFLAGS, so they join the compiler flags. dpkg-buildflags runs in the source
# folder, which its -ffile-prefix-map then maps to ".", as a Debian package build would.
# The flags are asked for at every configure, so a changed dpkg-dev takes effect at once.

function(tirv_dpkg_buildflag name out_var)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            dpkg-buildflags --get ${name}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags
    ERROR_VARIABLE error
    RESULT_VARIABLE result
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "TIRV_DEBIAN_BUILD_FLAGS needs dpkg-buildflags (Debian's package "
                        "dpkg-dev, scripts/install-deps.sh run): ${result} ${error}")
  endif()
  set(${out_var} "${flags}" PARENT_SCOPE)
endfunction()

tirv_dpkg_buildflag(CPPFLAGS tirv_cppflags)
tirv_dpkg_buildflag(CFLAGS tirv_cflags)
tirv_dpkg_buildflag(CXXFLAGS tirv_cxxflags)
tirv_dpkg_buildflag(LDFLAGS tirv_ldflags)
# Normal variables that shadow the cache entries, for the targets of the including scope.
string(APPEND CMAKE_C_FLAGS " ${tirv_cppflags} ${tirv_cflags}")
string(APPEND CMAKE_CXX_FLAGS " ${tirv_cppflags} ${tirv_cxxflags}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${tirv_ldflags}")
string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${tirv_ldflags}")
message(STATUS "Debian build flags: ${tirv_cppflags} ${tirv_cxxflags} ${tirv_ldflags}")
