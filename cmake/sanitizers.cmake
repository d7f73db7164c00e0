# AddressSanitizer and UndefinedBehaviorSanitizer over everything built here.
# Qt and the system libraries stay uninstrumented.
if(VANTREL_SANITIZE)
  set(vantrel_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_compile_options(${vantrel_sanitize_flags})
  add_link_options(${vantrel_sanitize_flags})
endif()
