# Without dpkg-shlibdeps CPack would still write a package, one that depends
# on none of the libraries the program is linked with.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(PM_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT PM_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps is missing: apt-get install dpkg-dev file")
    endif()
endif()
