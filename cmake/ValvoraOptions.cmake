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
  if(VALVORA_FUZZ)
    # Coverage for libFuzzer in every library the fuzz targets link; the targets add
    # -fsanitize=fuzzer themselves for the fuzzer's main.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()
