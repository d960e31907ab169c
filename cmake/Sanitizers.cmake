# QDU_SANITIZE=address,undefined or QDU_SANITIZE=thread instruments everything we build.
if(QDU_SANITIZE)
    set(_qdu_san_flags -fsanitize=${QDU_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_compile_options(${_qdu_san_flags})
    add_link_options(${_qdu_san_flags})
endif()
