find_package(OpenSSL REQUIRED COMPONENTS Crypto)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
sky_add_tests(dec_6_tests LABEL dec_6 TSAN SOURCES DxImageReadersTest.cpp ../Fuzz/DxImageFuzzEntry.cpp
    LIBS DataObjects TestSupportHttp OpenSSL::Crypto ZLIB::ZLIB JPEG::JPEG)
if(TARGET dec_6_tests)
    target_compile_definitions(dec_6_tests PRIVATE
        DX_IMAGE_DIGESTS="${CMAKE_CURRENT_LIST_DIR}/data/images/reference-digests.txt")
    target_include_directories(dec_6_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../Fuzz)
endif()
