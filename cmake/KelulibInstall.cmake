# Installation: the shared library with its SONAME links, the public headers
# under include/kelulib, kelconv with its man page and bash completion, a CMake package (find_package(kelulib) gives
# kelulib::kelulib64) and a pkg-config file. Both make the headers includable
# as "KelUString.h", the way the library's own sources include them.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KELULIB_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/kelulib)

# The public headers, named one by one: a header added to unicode/ is the
# library's own until it joins this list. A program reaches a converter
# through KelCharSetConverter::getConverter, never through its class.
set(KELULIB_HEADERS KelCharSet.h KelCharSetConverterManager.h KelConversion.h KelTranscoder.h
                    KelTypes.h KelUChar.h KelUString.h KelUStringList.h)
list(TRANSFORM KELULIB_HEADERS PREPEND ${PROJECT_SOURCE_DIR}/unicode/)
list(APPEND KELULIB_HEADERS ${PROJECT_BINARY_DIR}/include/KelVersion.h)

target_include_directories(kelulib64 PUBLIC $<INSTALL_INTERFACE:${KELULIB_INCLUDE_SUBDIR}>)
target_compile_features(kelulib64 PUBLIC cxx_std_17)
set_target_properties(kelconv PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS kelulib64 EXPORT kelulibTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS kelconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KELULIB_HEADERS} DESTINATION ${KELULIB_INCLUDE_SUBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/cli/kelconv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where bash-completion looks for a command's completion: under the data
# directories, and beside the prefix of the command it completes.
install(FILES ${PROJECT_SOURCE_DIR}/cli/kelconv-completion.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kelconv)

set(KELULIB_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kelulib)
install(EXPORT kelulibTargets NAMESPACE kelulib:: DESTINATION ${KELULIB_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kelulibConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/kelulibConfig.cmake
                              INSTALL_DESTINATION ${KELULIB_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kelulibConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kelulibConfig.cmake
              ${PROJECT_BINARY_DIR}/kelulibConfigVersion.cmake
        DESTINATION ${KELULIB_CMAKE_DIR})

# The .pc file finds the prefix from its own place, so it stays right when
# the tree is installed with --prefix or moved.
set(KELULIB_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH KELULIB_PC_TO_PREFIX /${KELULIB_PC_DIR} /)
string(REGEX REPLACE "/$" "" KELULIB_PC_TO_PREFIX "${KELULIB_PC_TO_PREFIX}")
get_target_property(KELULIB_LIBRARY_NAME kelulib64 OUTPUT_NAME)
if(NOT KELULIB_LIBRARY_NAME)
  set(KELULIB_LIBRARY_NAME kelulib64)
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/kelulib.pc.in ${PROJECT_BINARY_DIR}/kelulib.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kelulib.pc DESTINATION ${KELULIB_PC_DIR})

# ---- API reference of the installed headers: cmake --build BUILD --target docs
# The reference is built on request, never with the library; a header member
# without documentation fails it.
find_package(Doxygen)
if(DOXYGEN_FOUND)
  set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
  set(DOXYGEN_PROJECT_BRIEF "C++ Unicode text library")
  set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/docs)
  set(DOXYGEN_USE_MDFILE_AS_MAINPAGE ${PROJECT_SOURCE_DIR}/docs/mainpage.md)
  set(DOXYGEN_JAVADOC_AUTOBRIEF YES)
  # A comment in front of a group of overloads (///@{ ... ///@}) documents each of them.
  set(DOXYGEN_DISTRIBUTE_GROUP_DOC YES)
  set(DOXYGEN_FULL_PATH_NAMES NO)
  set(DOXYGEN_GENERATE_LATEX NO)
  set(DOXYGEN_HAVE_DOT NO)
  set(DOXYGEN_QUIET YES)
  set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
  set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
  # The XML output serves the check of enumerators, which Doxygen lets pass.
  set(DOXYGEN_GENERATE_XML YES)
  doxygen_add_docs(docs ${KELULIB_HEADERS} ${PROJECT_SOURCE_DIR}/docs/mainpage.md
                   COMMENT "API reference in ${PROJECT_BINARY_DIR}/docs/html")
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(TARGET docs POST_BUILD
                     COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/check_api_docs.py
                             ${PROJECT_BINARY_DIR}/docs/xml)
endif()
