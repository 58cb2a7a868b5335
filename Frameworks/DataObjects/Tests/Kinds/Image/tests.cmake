# The image readers and the image kind's manager.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
sky_add_tests(dx_image_thread_tests TSAN SOURCES ${DX_FUZZ}/DxImageFuzzEntry.cpp dec_6: DxImageReadersTest.cpp
    LIBS DataObjects TestSupportHttp OpenSSL::Crypto ZLIB::ZLIB JPEG::JPEG)
if(TARGET dx_image_thread_tests)
    target_compile_definitions(dx_image_thread_tests PRIVATE DX_IMAGE_DIGESTS="${DX_TESTS}/data/images/reference-digests.txt")
    target_include_directories(dx_image_thread_tests PRIVATE ${DX_FUZZ})
endif()
