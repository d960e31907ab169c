# What a Linux desktop needs besides the programs: the menu entry, the software centre's
# description, the icon in every size the theme looks for, the man pages (from scdoc sources,
# made at build time) and qdu's bash completion.
set(QDU_RELEASE_DATE 2026-12-09)
set(QDU_LINUX ${PROJECT_SOURCE_DIR}/resources/linux)

if(QDU_GUI)
    install(FILES ${QDU_LINUX}/org.quorvel.DriveUtility.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${QDU_LINUX}/org.quorvel.DriveUtility.metainfo.xml.in
        ${PROJECT_BINARY_DIR}/org.quorvel.DriveUtility.metainfo.xml @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/org.quorvel.DriveUtility.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    set(icons ${PROJECT_SOURCE_DIR}/resources/icons)
    install(FILES ${icons}/quorvel-drive-utility.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size IN ITEMS 16 32 48 256)
        install(FILES ${icons}/quorvel-drive-utility-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME quorvel-drive-utility.png)
    endforeach()
endif()

install(FILES ${QDU_LINUX}/qdu.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME qdu)

find_program(QDU_SCDOC scdoc)
if(QDU_SCDOC)
    set(pages qdu)
    if(QDU_GUI)
        list(APPEND pages quorvel-drive-utility)
    endif()
    set(made)
    foreach(page IN LISTS pages)
        set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd)
        # Compressed, as Debian installs man pages; gzip -n keeps the bytes the same each build.
        set(out ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
        add_custom_command(OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
            COMMAND sh -c "'${QDU_SCDOC}' < '${source}' | gzip -9n > '${out}'"
            DEPENDS ${source} VERBATIM)
        list(APPEND made ${out})
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${made})
    install(FILES ${made} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(WARNING "scdoc was not found: the man pages are not made "
        "(scripts/install-deps.sh installs it)")
endif()

# The package's changelog, as Debian keeps it for every package.
configure_file(${QDU_LINUX}/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
    COMMAND sh -c "gzip -9n < '${PROJECT_BINARY_DIR}/changelog' > '${PROJECT_BINARY_DIR}/changelog.gz'"
    DEPENDS ${PROJECT_BINARY_DIR}/changelog VERBATIM)
add_custom_target(changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvel-drive-utility)

# The program's own manual, which HELP opens when the drive's help file is not there: beside the
# programs in the build tree (../share/doc/... from src/) as in the installed one.
if(QDU_GUI)
    set(manual_source ${PROJECT_SOURCE_DIR}/docs/manual)
    set(manual_out ${PROJECT_BINARY_DIR}/share/doc/quorvel-drive-utility/manual)
    set(manual_files)
    foreach(file IN ITEMS en/index.html ja/index.html manual.css)
        add_custom_command(OUTPUT ${manual_out}/${file}
            COMMAND ${CMAKE_COMMAND} -E copy ${manual_source}/${file} ${manual_out}/${file}
            DEPENDS ${manual_source}/${file} VERBATIM)
        list(APPEND manual_files ${manual_out}/${file})
    endforeach()
    foreach(language IN ITEMS en ja)
        foreach(page IN ITEMS setting1 setting2 status utility cd-check check-history)
            set(shot ${PROJECT_SOURCE_DIR}/docs/screenshots/${language}-${page}.png)
            add_custom_command(OUTPUT ${manual_out}/images/${language}-${page}.png
                COMMAND ${CMAKE_COMMAND} -E copy ${shot}
                    ${manual_out}/images/${language}-${page}.png
                DEPENDS ${shot} VERBATIM)
            list(APPEND manual_files ${manual_out}/images/${language}-${page}.png)
        endforeach()
    endforeach()
    add_custom_target(manual ALL DEPENDS ${manual_files})
    install(DIRECTORY ${manual_out}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvel-drive-utility/manual)
endif()
