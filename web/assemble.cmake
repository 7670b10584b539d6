# build/web/: the page, its modules, the core's module, the help pages, the icons, the window's
# captions (read from its form) and the service worker with the list of everything it keeps.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/icons)
file(GLOB statics ${SOURCE}/web/static/*)
file(COPY ${statics} DESTINATION ${OUT})
file(COPY ${WASM}/tornel4-web.js ${WASM}/tornel4-web.wasm DESTINATION ${OUT})
file(COPY ${SOURCE}/help/help1.rtf ${SOURCE}/help/help2.rtf ${SOURCE}/help/help3.rtf
     DESTINATION ${OUT})
file(COPY ${SOURCE}/data/icons/tornel4.svg DESTINATION ${OUT}/icons)
file(COPY ${SOURCE}/app/resources/title.png DESTINATION ${OUT})
foreach(size 48 128 256)
    file(COPY_FILE ${SOURCE}/data/icons/hicolor/${size}x${size}/tornel4.png
         ${OUT}/icons/tornel4-${size}.png)
endforeach()
execute_process(COMMAND ${NODE} ${SOURCE}/web/tools/form-texts.mjs ${SOURCE}/app/tform1.ui
                        ${SOURCE}/app/programmer_page.ui ${SOURCE}/app/engineering_panels.ui
                        ${SOURCE}/app/help_pages.ui
                        ${SOURCE}/app/sound_dialog.ui
                OUTPUT_FILE ${OUT}/form-texts.json RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the window's captions could not be read from its form")
endif()

# The service worker keeps every file; its cache is named after their contents, so a new build
# replaces the old cache and an unchanged one is kept.
file(GLOB_RECURSE files RELATIVE ${OUT} ${OUT}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(digest_input "")
set(list_text "")
foreach(f ${files})
    file(SHA256 ${OUT}/${f} h)
    string(APPEND digest_input "${f} ${h}\n")
    string(APPEND list_text "  './${f}',\n")
endforeach()
string(SHA256 version "${digest_input}")
string(SUBSTRING ${version} 0 16 version)
file(READ ${SOURCE}/web/sw.js.in sw)
string(REPLACE "@VERSION@" "${version}" sw "${sw}")
string(REPLACE "@FILES@" "${list_text}" sw "${sw}")
file(WRITE ${OUT}/sw.js "${sw}")
