# One place for the compiler settings every target of the project uses.
function(litharvest_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(LITHARVEST_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  # A read-only offset table in the programs, as Debian links its packages.
  target_link_options(${target} PRIVATE LINKER:-z,relro LINKER:-z,now)
  if(LITHARVEST_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(LITHARVEST_FUZZ)
    # Coverage for libFuzzer in every library the targets link; the targets
    # themselves add the fuzzer's main (fuzz/CMakeLists.txt).
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
      -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()
