<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en_US">
<context>
    <name>ApplyCommand</name>
    <message>
        <source>The configuration in %1 has errors on this machine:</source>
        <translation>Конфигурация из %1 на этой машине содержит ошибки:</translation>
    </message>
    <message>
        <source>Nothing has been changed.</source>
        <translation>Ничего не изменено.</translation>
    </message>
    <message>
        <source>Nothing to change: the kiosk configuration is already the one in %1.</source>
        <translation>Изменять нечего: конфигурация киоска уже совпадает с %1.</translation>
    </message>
    <message>
        <source>The update was not authorised. Nothing has been changed.</source>
        <translation>Изменение конфигурации не было разрешено. Ничего не изменено.</translation>
    </message>
    <message>
        <source>The profiles have been applied, but the switches after reboot have not been changed: </source>
        <translation>Профили применены, но переключатели после перезагрузки не изменены: </translation>
    </message>
    <message>
        <source>Switching was not authorised.</source>
        <translation>Переключение не было разрешено.</translation>
    </message>
</context>
<context>
    <name>BundleException</name>
    <message>
        <source>The bundle is refused: %1</source>
        <translation>Пакет конфигурации отклонён: %1</translation>
    </message>
</context>
<context>
    <name>BundleReader</name>
    <message>
        <source>a member has no name.</source>
        <translation>у одного из элементов нет имени.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; has an absolute name.</source>
        <translation>элемент «%1» имеет абсолютное имя.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; leads out of the bundle (&apos;..&apos;).</source>
        <translation>элемент «%1» ведёт за пределы пакета («..»).</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is neither a profile, a user profile nor the manifest.</source>
        <translation>элемент «%1» не является ни профилем, ни профилем пользователя, ни манифестом.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is a hard link.</source>
        <translation>элемент «%1» является жёсткой ссылкой.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is a symbolic link.</source>
        <translation>элемент «%1» является символической ссылкой.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is a directory.</source>
        <translation>элемент «%1» является каталогом.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is not a regular file.</source>
        <translation>элемент «%1» не является обычным файлом.</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>неизвестная ошибка</translation>
    </message>
    <message>
        <source>its manifest has no object &apos;%1&apos;.</source>
        <translation>в его манифесте нет объекта «%1».</translation>
    </message>
    <message>
        <source>its manifest has no switch &apos;%1&apos; that is true or false.</source>
        <translation>в его манифесте нет переключателя «%1» со значением true или false.</translation>
    </message>
    <message>
        <source>its manifest has no SHA-256 checksum for &apos;%1&apos;.</source>
        <translation>в его манифесте нет контрольной суммы SHA-256 для «%1».</translation>
    </message>
    <message>
        <source>its manifest lists &apos;%1&apos;, which the bundle does not hold.</source>
        <translation>его манифест называет «%1», а в пакете такого элемента нет.</translation>
    </message>
    <message>
        <source>the checksum of &apos;%1&apos; does not match its manifest.</source>
        <translation>контрольная сумма «%1» не совпадает с указанной в манифесте.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is not listed in its manifest.</source>
        <translation>элемент «%1» не указан в манифесте.</translation>
    </message>
    <message>
        <source>its manifest is not a JSON object (%1).</source>
        <translation>его манифест не является объектом JSON (%1).</translation>
    </message>
    <message>
        <source>its manifest names no format version.</source>
        <translation>в его манифесте не указана версия формата.</translation>
    </message>
    <message>
        <source>it is in format %1, and this orla-kiosk reads only format %2.</source>
        <translation>он в формате %1, а эта версия orla-kiosk читает только формат %2.</translation>
    </message>
    <message>
        <source>its manifest has the unknown key &apos;%1&apos;.</source>
        <translation>в его манифесте есть неизвестный ключ «%1».</translation>
    </message>
    <message>
        <source>it is not a tar archive (%1).</source>
        <translation>это не архив tar (%1).</translation>
    </message>
    <message>
        <source>the member name &apos;%1&apos; is not UTF-8.</source>
        <translation>имя элемента «%1» не в кодировке UTF-8.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; appears twice.</source>
        <translation>элемент «%1» встречается дважды.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; has no size.</source>
        <translation>у элемента «%1» не указан размер.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is %2 MiB, more than the %3 MiB a profile may have.</source>
        <translation>элемент «%1» занимает %2 МиБ, больше допустимых для профиля %3 МиБ.</translation>
    </message>
    <message>
        <source>its members come to more than %1 MiB, more than one update can carry.</source>
        <translation>его элементы занимают больше %1 МиБ — больше, чем может передать одно изменение.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; cannot be read: %2.</source>
        <translation>не удалось прочитать элемент «%1»: %2.</translation>
    </message>
    <message>
        <source>the member &apos;%1&apos; is cut short.</source>
        <translation>элемент «%1» обрывается раньше времени.</translation>
    </message>
    <message>
        <source>it is not a complete tar archive (%1).</source>
        <translation>это неполный архив tar (%1).</translation>
    </message>
    <message>
        <source>it has no manifest (%1).</source>
        <translation>в нём нет манифеста (%1).</translation>
    </message>
    <message>
        <source>the user &apos;%1&apos; is both enabled and disabled.</source>
        <translation>пользователь «%1» одновременно включён и отключён.</translation>
    </message>
</context>
<context>
    <name>BundleUpdate</name>
    <message>
        <source>on</source>
        <translation>вкл.</translation>
    </message>
    <message>
        <source>off</source>
        <translation>выкл.</translation>
    </message>
    <message>
        <source>Kiosk mode after reboot: %1 → %2</source>
        <translation>Режим киоска после перезагрузки: %1 → %2</translation>
    </message>
    <message>
        <source>Global rule recording after reboot: %1 → %2</source>
        <translation>Глобальная запись правил после перезагрузки: %1 → %2</translation>
    </message>
</context>
<context>
    <name>ExportCommand</name>
    <message numerus="yes">
        <source>Exported %n profile(s)</source>
        <translation>
            <numerusform>Экспортирован %n профиль</numerusform>
            <numerusform>Экспортировано %n профиля</numerusform>
            <numerusform>Экспортировано %n профилей</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> and %n user profile(s) to %1.</source>
        <translation>
            <numerusform> и %n профиль пользователя в %1.</numerusform>
            <numerusform> и %n профиля пользователей в %1.</numerusform>
            <numerusform> и %n профилей пользователей в %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>The tree cannot be exported: %1</source>
        <translation>Не удалось экспортировать дерево киоска: %1</translation>
    </message>
</context>
<context>
    <name>KioskCheck</name>
    <message>
        <source>user &apos;%1&apos;</source>
        <translation>пользователь «%1»</translation>
    </message>
    <message>
        <source>profile &apos;%1&apos;</source>
        <translation>профиль «%1»</translation>
    </message>
    <message>
        <source>(disabled)</source>
        <translation>(отключён)</translation>
    </message>
    <message>
        <source>warning: %1 %2</source>
        <translation>предупреждение: %1 %2</translation>
    </message>
    <message>
        <source>error: %1 %2</source>
        <translation>ошибка: %1 %2</translation>
    </message>
    <message numerus="yes">
        <source>%n profile(s)</source>
        <translation>
            <numerusform>%n профиль</numerusform>
            <numerusform>%n профиля</numerusform>
            <numerusform>%n профилей</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> and %n user(s): </source>
        <translation>
            <numerusform> и %n пользователь: </numerusform>
            <numerusform> и %n пользователя: </numerusform>
            <numerusform> и %n пользователей: </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n with errors, </source>
        <translation>
            <numerusform>%n с ошибками, </numerusform>
            <numerusform>%n с ошибками, </numerusform>
            <numerusform>%n с ошибками, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n with warnings only.</source>
        <translation>
            <numerusform>%n только с предупреждениями.</numerusform>
            <numerusform>%n только с предупреждениями.</numerusform>
            <numerusform>%n только с предупреждениями.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>KioskTreeReader</name>
    <message>
        <source>No such directory</source>
        <translation>Нет такого каталога</translation>
    </message>
</context>
<context>
    <name>ModeCommand</name>
    <message>
        <source>on</source>
        <translation>включён</translation>
    </message>
    <message>
        <source>off</source>
        <translation>выключен</translation>
    </message>
    <message>
        <source>Nothing to change: kiosk mode is %1 now and after reboot.</source>
        <translation>Изменять нечего: режим киоска %1 и сейчас, и после перезагрузки.</translation>
    </message>
    <message>
        <source>Switching was not authorised. Nothing has been changed.</source>
        <translation>Переключение не было разрешено. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Kiosk mode is %1 now and after reboot.</source>
        <translation>Режим киоска %1 сейчас и после перезагрузки.</translation>
    </message>
    <message>
        <source>warning: %1</source>
        <translation>предупреждение: %1</translation>
    </message>
</context>
<context>
    <name>OrlaKiosk</name>
    <message>
        <source>Checks, exports and applies the kiosk configuration of this machine, so that one configuration prepared with orla-admin-kiosk reaches many machines.

Commands:
  check [DIR]         Reads the kiosk tree (or a tree laid out like it below DIR) and reports every profile&apos;s and user&apos;s status as the program shows it: errors, warnings, unknown includes, include cycles with their chain, users without an account on this machine (unless --no-accounts).
  export FILE [DIR]   Writes the kiosk tree (or the tree laid out below DIR) and the switches after reboot as one bundle: a tar archive with a manifest of format version, names and SHA-256 checksums.
  apply FILE          Checks the bundle (manifest, names, checksums, and the statuses of its configuration here: errors refuse it) and makes it this machine&apos;s kiosk configuration through the privileged helper: one all-or-nothing update, authorised by polkit and kept as an earlier configuration like a save from the program, and the switches after reboot that differ. Nothing is sent when nothing differs. With --dry-run it only prints the changes.
  mode on|off         Switches kiosk mode on or off, now and after reboot.
  status              Shows kiosk mode and the global rule recording, now and after reboot.

Exit status:
  check: 0 clean, 1 warnings only, 2 errors (or the tree cannot be read).
  apply, mode: 0 changed (with --dry-run: would change), 3 nothing to change, 1 refused or failed.
  export, status: 0 done, 1 failed.
  64: the command line is wrong.</source>
        <translation>Проверяет, экспортирует и применяет конфигурацию киоска этой машины, чтобы одна конфигурация, подготовленная в orla-admin-kiosk, попала на многие машины.

Команды:
  check [DIR]         Читает дерево киоска (или дерево с тем же устройством в каталоге DIR) и сообщает состояние каждого профиля и пользователя так, как его показывает программа: ошибки, предупреждения, неизвестные подключаемые профили, циклы подключений с их цепочкой, пользователей без учётной записи на этой машине (если не указан --no-accounts).
  export FILE [DIR]   Записывает дерево киоска (или дерево в каталоге DIR) и переключатели после перезагрузки в один пакет конфигурации: архив tar с манифестом, в котором указаны версия формата, имена и контрольные суммы SHA-256.
  apply FILE          Проверяет пакет (манифест, имена, контрольные суммы и состояния его конфигурации на этой машине: при ошибках пакет отклоняется) и делает его конфигурацией киоска этой машины через привилегированную вспомогательную программу: одно изменение по принципу «всё или ничего», разрешённое через polkit и сохранённое как прежняя конфигурация, как при сохранении из программы, и отличающиеся переключатели после перезагрузки. Если отличий нет, ничего не отправляется. С --dry-run только выводит изменения.
  mode on|off         Включает или выключает режим киоска сейчас и после перезагрузки.
  status              Показывает режим киоска и глобальную запись правил сейчас и после перезагрузки.

Код завершения:
  check: 0 — замечаний нет, 1 — только предупреждения, 2 — ошибки (или дерево не удаётся прочитать).
  apply, mode: 0 — изменено (с --dry-run: будет изменено), 3 — изменять нечего, 1 — отклонено или не удалось.
  export, status: 0 — выполнено, 1 — не удалось.
  64: неверная командная строка.</translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>Попробуйте «%1 --help».</translation>
    </message>
    <message>
        <source>check, status: print JSON instead of text.</source>
        <translation>check, status: выводить JSON вместо текста.</translation>
    </message>
    <message>
        <source>check: leave out whether users&apos; accounts exist, for a tree meant for other machines.</source>
        <translation>check: не проверять, есть ли у пользователей учётные записи, — для дерева, предназначенного для других машин.</translation>
    </message>
    <message>
        <source>apply: print the changes, in the form of the program&apos;s save question, and change nothing.</source>
        <translation>apply: вывести изменения в том виде, в каком их показывает вопрос программы о сохранении, и ничего не менять.</translation>
    </message>
    <message>
        <source>check, export, apply, mode or status.</source>
        <translation>check, export, apply, mode или status.</translation>
    </message>
    <message>
        <source>The command&apos;s arguments.</source>
        <translation>Аргументы команды.</translation>
    </message>
    <message>
        <source>no command given.</source>
        <translation>команда не указана.</translation>
    </message>
    <message>
        <source>an option was given that %1 does not take.</source>
        <translation>указан параметр, который %1 не принимает.</translation>
    </message>
    <message>
        <source>check takes at most one tree directory.</source>
        <translation>check принимает не более одного каталога с деревом.</translation>
    </message>
    <message>
        <source>export takes a bundle file and, optionally, a tree directory.</source>
        <translation>export принимает файл пакета и, если нужно, каталог с деревом.</translation>
    </message>
    <message>
        <source>apply takes one bundle file.</source>
        <translation>apply принимает один файл пакета.</translation>
    </message>
    <message>
        <source>mode takes on or off.</source>
        <translation>mode принимает on или off.</translation>
    </message>
    <message>
        <source>status takes no arguments.</source>
        <translation>status не принимает аргументов.</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;.</source>
        <translation>неизвестная команда «%1».</translation>
    </message>
</context>
<context>
    <name>StatusCommand</name>
    <message>
        <source>unknown</source>
        <translation>неизвестно</translation>
    </message>
    <message>
        <source>on</source>
        <translation>вкл.</translation>
    </message>
    <message>
        <source>off</source>
        <translation>выкл.</translation>
    </message>
    <message>
        <source>Kiosk mode now: %1</source>
        <translation>Режим киоска сейчас: %1</translation>
    </message>
    <message>
        <source>Kiosk mode after reboot: %1</source>
        <translation>Режим киоска после перезагрузки: %1</translation>
    </message>
    <message>
        <source>Global rule recording now: %1</source>
        <translation>Глобальная запись правил сейчас: %1</translation>
    </message>
    <message>
        <source>Global rule recording after reboot: %1</source>
        <translation>Глобальная запись правил после перезагрузки: %1</translation>
    </message>
</context>
</TS>
