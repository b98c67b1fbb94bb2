# VANTEL_SANITIZE applies to every target: the libraries, the programs and the tests.
if(VANTEL_SANITIZE)
  add_compile_options(-fsanitize=${VANTEL_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${VANTEL_SANITIZE})
  if(VANTEL_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
