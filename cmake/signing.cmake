# Authenticode signing of the programs we build, right after each is linked, so that the
# product embeds signed payload programs and is signed itself. ZKT_SIGN_PFX names a PKCS#12
# certificate (empty: unsigned); the password and a time-stamp server come from the
# environment at build time (ZKT_SIGN_PASSWORD, ZKT_SIGN_TIMESTAMP_URL), never from the cache.
set(ZKT_SIGN_PFX "" CACHE FILEPATH "PKCS#12 certificate to sign the programs with (empty: unsigned)")
set(ZKT_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/../scripts/sign-pe.sh)

function(zkt_sign_after_build target)
  if(NOT ZKT_SIGN_PFX)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND bash ${ZKT_SIGN_SCRIPT} ${ZKT_SIGN_PFX} $<TARGET_FILE:${target}>
    COMMENT "Signing ${target}"
    VERBATIM)
  # Another certificate relinks, and so signs, the program again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ZKT_SIGN_PFX})
endfunction()
