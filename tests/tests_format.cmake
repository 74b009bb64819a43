# The sources keep the project's .clang-format.
find_program(CLANG_FORMAT clang-format)
if(CLANG_FORMAT)
  add_test(NAME clang_format
    COMMAND sh -c "git ls-files -z -- '*.cpp' '*.h' | xargs -0 ${CLANG_FORMAT} --dry-run --Werror"
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(clang_format PROPERTIES LABELS format)
endif()
