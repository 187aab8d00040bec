# Installation: the shared library with its SONAME links, the public headers
# under include/kelulib, kelconv, a CMake package (find_package(kelulib) gives
# kelulib::kelulib64) and a pkg-config file. Both make the headers includable
# as "KelUString.h", the way the library's own sources include them.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KELULIB_INCLUDE_SUBDIR ${CMAKE_INSTALL_INCLUDEDIR}/kelulib)

# Every header of unicode/ is public except the helpers the converters are
# built from and the converter classes, which expose them; a program reaches
# a converter through KelCharSetConverter::getConverter.
file(GLOB KELULIB_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/unicode/*.h)
list(FILTER KELULIB_HEADERS EXCLUDE REGEX
     "/(KelConverterHelpers|KelCodecConverter|KelCodecDriver|KelSurrogates|KelUTF8Codec|KelUTF8Paths|KelMBCSCodec|KelLazyTables|KelTextBlocks|KelTextBlocksKernels|KelTextBlocksAVX512|KelUCharTable|LookupTable)\\.h$")
list(FILTER KELULIB_HEADERS EXCLUDE REGEX
     "/KelCharSetConverter(SBCS|MBCS|MBCSEx|DBCS|DBCSEx|EUC_CN_KR|EUC_JP|GB18030|ISO2022KR|UTF8|UTF16|UTF16Esc|UTF32)\\.h$")

target_include_directories(kelulib64 PUBLIC $<INSTALL_INTERFACE:${KELULIB_INCLUDE_SUBDIR}>)
target_compile_features(kelulib64 PUBLIC cxx_std_17)
set_target_properties(kelconv PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS kelulib64 EXPORT kelulibTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS kelconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KELULIB_HEADERS} DESTINATION ${KELULIB_INCLUDE_SUBDIR})

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
