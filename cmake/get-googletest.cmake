# cmake -P cmake/get-googletest.cmake: fetches GoogleTest's sources, at the release Kavro's tests are built with on
# Windows, into build/googletest, where cmake/GoogleTest.cmake finds them. The release and its checksum are written
# here alone; the README's Windows commands and the CI workflow both run this script.
set(version 1.14.0)
set(sha256 8ad598c73ad796e0d8280b082cebd82a630d73e73cd3c70057938a6501bba5d7)

get_filename_component(build "${CMAKE_CURRENT_LIST_DIR}/../build" ABSOLUTE)
if(EXISTS "${build}/googletest/googletest-${version}.txt")
    message(STATUS "GoogleTest ${version} is already in ${build}/googletest")
    return()
endif()
set(archive "${build}/googletest-${version}.tar.gz")
file(DOWNLOAD "https://github.com/google/googletest/archive/refs/tags/v${version}.tar.gz" "${archive}"
     EXPECTED_HASH SHA256=${sha256} STATUS status)
list(GET status 0 code)
if(NOT code EQUAL 0)
    message(FATAL_ERROR "Could not fetch GoogleTest ${version}: ${status}")
endif()
file(REMOVE_RECURSE "${build}/googletest" "${build}/googletest-${version}")
file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${build}")
file(RENAME "${build}/googletest-${version}" "${build}/googletest")
file(TOUCH "${build}/googletest/googletest-${version}.txt")
file(REMOVE "${archive}")
message(STATUS "GoogleTest ${version} is in ${build}/googletest")
