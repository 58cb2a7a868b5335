# Cairo measures the titles independently of the text engine.
find_package(PkgConfig REQUIRED)
pkg_check_modules(FX_HUD_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-ft)
sky_add_tests(fx_hud_tests LABEL fx_8 TIMEOUT 60
    SOURCES FxHudControlTest.cpp
    LIBS FaceObjects FaceObjectsPrivate TestSupport Platform PkgConfig::FX_HUD_CAIRO)
