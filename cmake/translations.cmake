# The dialog's English translation. The Chinese texts in the sources are the source texts;
# translations/travex_en.ts holds their English, and travex_en.qm is built from it into the
# dialog's resources (":/i18n/travex_en.qm").
#
#   cmake --build build/dev --target travex_update_translations
#
# brings the .ts in step with the sources (new texts come in unfinished, removed ones go); the
# test translations.complete names every text that is unfinished or not in step.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(TRAVEX_TS_FILE ${PROJECT_SOURCE_DIR}/translations/travex_en.ts)
# Where the texts the operator sees are written, and how the core marks them (params/words.h).
set(TRAVEX_TS_SOURCES app params resources)
set(TRAVEX_LUPDATE_OPTIONS
    -silent -locations none -no-obsolete -source-language zh_CN -target-language en
    -extensions cpp,h,ui -I ${PROJECT_SOURCE_DIR}
    -tr-function-alias translate+=Tr,QT_TRANSLATE_NOOP+=TRAVEX_TEXT)

add_custom_target(travex_update_translations
  COMMAND Qt6::lupdate ${TRAVEX_LUPDATE_OPTIONS} ${TRAVEX_TS_SOURCES} -ts ${TRAVEX_TS_FILE}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Updating translations/travex_en.ts"
  VERBATIM)

set(_qm ${CMAKE_CURRENT_BINARY_DIR}/i18n/travex_en.qm)
add_custom_command(OUTPUT ${_qm}
  COMMAND Qt6::lrelease -silent ${TRAVEX_TS_FILE} -qm ${_qm}
  DEPENDS ${TRAVEX_TS_FILE}
  VERBATIM)
qt_add_resources(travex_qt travex_i18n PREFIX /i18n BASE ${CMAKE_CURRENT_BINARY_DIR}/i18n
                 FILES ${_qm})

# Qt's own translations (file dialogs, standard buttons) come from the system's package.

# For the test translations.complete (tests/), which runs lupdate the same way.
set(TRAVEX_TS_FILE ${TRAVEX_TS_FILE} PARENT_SCOPE)
set(TRAVEX_TS_SOURCES ${TRAVEX_TS_SOURCES} PARENT_SCOPE)
set(TRAVEX_LUPDATE_OPTIONS ${TRAVEX_LUPDATE_OPTIONS} PARENT_SCOPE)
