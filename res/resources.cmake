# The generated art and the bitmaps embedded in builds without Windows
# resources. Included by res/CMakeLists.txt for the lists; run with
# `cmake -DVELKARO_RES_MODE=embed|check ... -P` for the build steps.

# Every file that tools/artgen makes from res/art/, all of them committed.
set(VELKARO_ART_FILES card1.bmp card2.bmp card3.bmp captions.bmp digits.bmp velkaro.ico)
# Bitmap file and resource id (resource_ids.h), in table order.
set(VELKARO_EMBEDDED_BITMAPS card1.bmp 101 card2.bmp 102 card3.bmp 104 captions.bmp 107 digits.bmp 108)

# A resource is the packed DIB: the .bmp without its 14-byte file header.
set(VELKARO_BMP_FILE_SIZE 5174)
set(VELKARO_DIB_SIZE 5160)

if(VELKARO_RES_MODE STREQUAL "embed")
  # -DRES_DIR=<folder of the .bmp files> -DOUTPUT=<generated .cpp>
  set(text "// Generated from res/*.bmp by res/resources.cmake at build time.\n")
  string(APPEND text "#include \"platform/posix/resources.h\"\n\nnamespace {\n")
  set(table "")
  list(LENGTH VELKARO_EMBEDDED_BITMAPS count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET VELKARO_EMBEDDED_BITMAPS ${i} name)
    list(GET VELKARO_EMBEDDED_BITMAPS ${j} id)
    set(file "${RES_DIR}/${name}")
    file(SIZE "${file}" size)
    file(READ "${file}" head LIMIT 14 HEX)
    # 'BM', the file size, and the pixels right after a full colour table:
    # the resource compiler strips exactly this header.
    if(NOT size EQUAL VELKARO_BMP_FILE_SIZE OR NOT head STREQUAL "424d361400000000000036040000")
      message(FATAL_ERROR "${file}: not a 64x64 8-bit bitmap with a 256-colour table (${size} bytes, header ${head})")
    endif()
    file(READ "${file}" hex OFFSET 14 HEX)
    string(REGEX REPLACE "(..)" "0x\\1," hex "${hex}")
    string(REPEAT "0x..," 16 line)
    string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
    string(APPEND text "// ${name}\nconst unsigned char Bitmap${id}[${VELKARO_DIB_SIZE}] = {\n${hex}};\n")
    string(APPEND table "    {${id}, 2, Bitmap${id}, sizeof Bitmap${id}},\n")
  endforeach()
  string(APPEND text "}  // namespace\n\nconst EmbeddedResource EmbeddedResources[] = {\n${table}};\n")
  string(APPEND text "const unsigned EmbeddedResourceCount = sizeof EmbeddedResources / sizeof EmbeddedResources[0];\n")
  file(WRITE "${OUTPUT}" "${text}")

elseif(VELKARO_RES_MODE STREQUAL "check")
  # -DARTGEN=<tool> -DART_DIR=<res/art> -DRES_DIR=<res> -DOUT_DIR=<scratch folder>
  file(REMOVE_RECURSE "${OUT_DIR}")
  execute_process(COMMAND "${ARTGEN}" "${ART_DIR}" "${OUT_DIR}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "artgen failed on ${ART_DIR}")
  endif()
  file(GLOB made RELATIVE "${OUT_DIR}" "${OUT_DIR}/*")
  list(SORT made)
  set(expected ${VELKARO_ART_FILES})
  list(SORT expected)
  if(NOT made STREQUAL expected)
    message(FATAL_ERROR "res/art makes [${made}], the build expects [${expected}]")
  endif()
  set(stale "")
  foreach(name ${VELKARO_ART_FILES})
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT_DIR}/${name}" "${RES_DIR}/${name}"
                    RESULT_VARIABLE differs)
    if(differs)
      list(APPEND stale "${name}")
    endif()
  endforeach()
  if(stale)
    message(FATAL_ERROR "res/ does not match res/art/ for: ${stale}\n"
                        "Regenerate with: velkaro_artgen res/art res  (or build velkaro_art_update)")
  endif()
  message(STATUS "res/ matches res/art/")
endif()
