# The Debian package: the plug-in where Debian's VST packages put theirs
# (/usr/lib/vst, as zam-plugins and lsp-plugins-vst do), the LV2 bundle where
# LV2 hosts look by default (/usr/lib/lv2/sorrel.lv2) and sorrel-host in
# /usr/bin, the CLAP plug-in where CLAP hosts look (/usr/lib/clap) and the
# VST 3 bundle where VST 3 hosts look (/usr/lib/vst3/Sorrel.vst3).
# Built with `cpack -G DEB` in a Linux build directory.
if(WIN32)
  return()
endif()

if(TARGET sorrel_plugin)
  install(TARGETS sorrel_plugin LIBRARY DESTINATION lib/vst)
endif()
if(TARGET sorrel_clap_bundle)
  install(TARGETS sorrel_clap_bundle LIBRARY DESTINATION lib/clap)
endif()
if(TARGET sorrel_vst3_module)
  file(RELATIVE_PATH vst3_module_dir ${PROJECT_BINARY_DIR} ${SORREL_VST3_MODULE_DIR})
  install(TARGETS sorrel_vst3_module LIBRARY DESTINATION lib/vst3/${vst3_module_dir})
  install(FILES ${SORREL_VST3_BUNDLE}/Contents/Resources/moduleinfo.json
    DESTINATION lib/vst3/Sorrel.vst3/Contents/Resources)
endif()
if(TARGET sorrel_lv2)
  install(TARGETS sorrel_lv2 sorrel_lv2_ui LIBRARY DESTINATION lib/lv2/sorrel.lv2)
  install(FILES ${SORREL_LV2_BUNDLE}/manifest.ttl ${SORREL_LV2_BUNDLE}/sorrel.ttl ${SORREL_LV2_BUNDLE}/presets.ttl
    DESTINATION lib/lv2/sorrel.lv2)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorrel)
set(CPACK_PACKAGE_VENDOR Quillmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "31-band graphic equaliser VST 2.4, VST 3, LV2 and CLAP plug-in, with a command-line host")
set(CPACK_PACKAGE_DESCRIPTION
    "Sorrel is a stereo 31-band graphic equaliser for VST 2.4, VST 3, LV2 and CLAP hosts: band gains of -12 to +12 dB from 20 Hz to 18.5 kHz, input and output gain, one bandwidth for all bands, ten programs. sorrel-host loads VST 2.4 plug-ins from the command line to render audio files, plot responses, compare processing times and keep presets.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillmark")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(SORREL_32BIT)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
else()
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
endif()
find_program(SORREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(SORREL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libsndfile1, libx11-6, libxext6")
endif()
include(CPack)
