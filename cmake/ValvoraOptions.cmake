# Compile options shared by every target of ours (not by third-party code).
function(valvora_target_options target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  # Results must be identical on every build: no fused multiply-add contractions.
  target_compile_options(${target} PRIVATE -Wall -Wextra -ffp-contract=off)
  if(VALVORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(VALVORA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(VALVORA_TSAN)
    target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=thread)
  endif()
  if(VALVORA_FUZZ)
    # Coverage for libFuzzer in every library the fuzz targets link; the targets add
    # -fsanitize=fuzzer themselves for the fuzzer's main.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# Puts the settings file with its data sheet limits beside the target's executable, where the
# program looks for it. Editing the file relinks the target, which copies it again.
function(valvora_settings_beside target)
  set(settings ${PROJECT_SOURCE_DIR}/app/valvora.ini)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${settings})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${settings} $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
