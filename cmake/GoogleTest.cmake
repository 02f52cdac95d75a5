# GoogleTest, built from source with the same compiler and flags as the program: the sources that
# cmake/get-googletest.cmake fetches into build/googletest (on Windows), or Debian's googletest package's in
# /usr/src/googletest. Elsewhere an installed GoogleTest package is used, if it is linked as Kavro is.
set(kavro_gtest_default "/usr/src/googletest")
if(EXISTS "${PROJECT_SOURCE_DIR}/build/googletest/CMakeLists.txt")
    set(kavro_gtest_default "${PROJECT_SOURCE_DIR}/build/googletest")
endif()
set(KAVRO_GTEST_SOURCE_DIR "${kavro_gtest_default}" CACHE PATH "GoogleTest sources to build")
if(EXISTS "${KAVRO_GTEST_SOURCE_DIR}/CMakeLists.txt")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    # Its cmake_minimum_required predates CMAKE_MSVC_RUNTIME_LIBRARY, which would otherwise not reach its targets: a
    # Debug build would link its /MT with Kavro's /MTd.
    set(CMAKE_POLICY_DEFAULT_CMP0091 NEW)
    # Its own warnings are not ours to fix: neither our warnings-as-errors nor its own -WX (MSVC), with which any new
    # warning of a newer compiler would stop the build in GoogleTest's code.
    set(kavro_warning_as_error ${CMAKE_COMPILE_WARNING_AS_ERROR})
    set(CMAKE_COMPILE_WARNING_AS_ERROR OFF)
    add_subdirectory("${KAVRO_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    set(CMAKE_COMPILE_WARNING_AS_ERROR ${kavro_warning_as_error})
    foreach(target gtest gtest_main)
        get_target_property(flags ${target} COMPILE_FLAGS)
        if(flags)
            string(REGEX REPLACE "(^| )[-/]WX( |$)" " " flags "${flags}")
            set_target_properties(${target} PROPERTIES COMPILE_FLAGS "${flags}")
        endif()
    endforeach()
    if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    find_package(GTest CONFIG QUIET)
    if(NOT GTest_FOUND)
        find_package(GTest QUIET)
    endif()
    # Kavro's tests link the C++ runtime statically on Windows; a GoogleTest DLL brings its own (MSYS2's package
    # does), and two runtimes would hand std::string to each other in one process.
    if(WIN32 AND TARGET GTest::gtest)
        get_target_property(kavro_gtest_type GTest::gtest TYPE)
        if(kavro_gtest_type STREQUAL "SHARED_LIBRARY")
            message(FATAL_ERROR "The GoogleTest found is a DLL, but Kavro and its tests link their C++ runtime "
                                "statically. Fetch GoogleTest's sources with \"cmake -P cmake/get-googletest.cmake\" and "
                                "configure again, or configure with -DBUILD_TESTING=OFF.")
        endif()
    endif()
endif()
set(KAVRO_HAVE_GTEST ${GTest_FOUND})
if(TARGET GTest::gtest_main)
    set(KAVRO_HAVE_GTEST ON)
endif()
