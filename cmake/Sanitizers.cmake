# VANTEL_SANITIZE applies to every target: the libraries, the programs and the tests.
if(VANTEL_SANITIZE)
  add_compile_options(-fsanitize=${VANTEL_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${VANTEL_SANITIZE})
  if(VANTEL_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
    # The vptr check probes an object's memory through a pipe it opens on first sight of a
    # type. The hub and the link are tested with no file descriptor left, where that pipe
    # cannot be made and every such object is reported as of an invalid type; the other
    # undefined-behaviour checks stay.
    add_compile_options(-fno-sanitize=vptr)
    add_link_options(-fno-sanitize=vptr)
  endif()
endif()
