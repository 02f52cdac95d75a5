# GoogleTest, built from source with the same compiler and flags as the program (Debian's
# googletest package installs the sources in /usr/src/googletest). Elsewhere an installed
# GoogleTest package is used.
set(KAVRO_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources to build")
if(EXISTS "${KAVRO_GTEST_SOURCE_DIR}/CMakeLists.txt")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory("${KAVRO_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    find_package(GTest REQUIRED)
endif()
