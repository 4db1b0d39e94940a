# Writes the fixed demo voice from FROM into OUT with VOICE_CHECK, which
# wants OUT new or empty. Its report is shown only when the fixed voice is
# not clean, so that a build stays quiet.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${VOICE_CHECK} --fix ${OUT} ${FROM}
    OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE_RECURSE ${OUT})
    message(FATAL_ERROR "voice-check --fix ${OUT} ${FROM} (exit ${status}):\n${report}")
endif()
