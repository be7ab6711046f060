<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en_US">
<context>
    <name>ActionArgumentsCheck</name>
    <message>
        <source>&apos;%1&apos; is not the name of an earlier configuration.</source>
        <translation>«%1» не является именем прежней конфигурации.</translation>
    </message>
    <message>
        <source>Unknown environment variable &apos;%1&apos; in the request. Nothing has been changed.</source>
        <translation>Неизвестная переменная окружения «%1» в запросе. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Unknown argument &apos;%1&apos; in the request. Nothing has been changed.</source>
        <translation>Неизвестный аргумент «%1» в запросе. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Invalid profile name &apos;%1&apos;. Nothing has been changed.</source>
        <translation>Недопустимое имя профиля «%1». Ничего не изменено.</translation>
    </message>
    <message>
        <source>The value of &apos;%1&apos; in the request has the wrong type. Nothing has been changed.</source>
        <translation>Значение «%1» в запросе имеет неверный тип. Ничего не изменено.</translation>
    </message>
</context>
<context>
    <name>CallerGate</name>
    <message>
        <source>The privileged helper is busy with another action. Try again once it has finished.</source>
        <translation>Привилегированная вспомогательная программа занята другим действием. Повторите попытку, когда оно завершится.</translation>
    </message>
    <message>
        <source>The privileged helper could not start the action.</source>
        <translation>Привилегированной вспомогательной программе не удалось начать действие.</translation>
    </message>
</context>
<context>
    <name>CreateDirException</name>
    <message>
        <source>Can not create dir &apos;%1&apos;: %2</source>
        <translation>Не удалось создать каталог «%1»: %2</translation>
    </message>
</context>
<context>
    <name>DeleteFileException</name>
    <message>
        <source>Can not delete file &apos;%1&apos;: %2</source>
        <translation>Не удалось удалить файл «%1»: %2</translation>
    </message>
</context>
<context>
    <name>FileRecorder</name>
    <message>
        <source>The text contains a NUL character</source>
        <translation>Текст содержит символ NUL</translation>
    </message>
</context>
<context>
    <name>KioskDirectory</name>
    <message>
        <source>it is a symbolic link, which is never followed</source>
        <translation>это символическая ссылка, а по ссылкам переход не выполняется</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <source>the directory must be owned by root and writable by root alone; nothing has been written into it</source>
        <translation>каталог должен принадлежать root и быть доступен на запись только root; в него ничего не записано</translation>
    </message>
</context>
<context>
    <name>KioskSave</name>
    <message>
        <source>&apos;%1&apos; in the kiosk tree is a symbolic link, which is never followed. Nothing has been changed.</source>
        <translation>«%1» в каталогах киоска является символической ссылкой, а по ссылкам переход не выполняется. Ничего не изменено.</translation>
    </message>
    <message>
        <source>An earlier save that was interrupted cannot be put in order: %1. Nothing has been changed.</source>
        <translation>Не удаётся восстановить порядок после прерванного ранее сохранения: %1. Ничего не изменено.</translation>
    </message>
    <message>
        <source>%1. The save could not be undone completely; it will be undone the next time the helper starts.</source>
        <translation>%1. Сохранение не удалось отменить полностью; оно будет отменено при следующем запуске вспомогательной программы.</translation>
    </message>
    <message>
        <source>%1. Nothing has been changed.</source>
        <translation>%1. Ничего не изменено.</translation>
    </message>
    <message>
        <source>The renames of &apos;%1&apos; go round in a circle; save after each of them. Nothing has been changed.</source>
        <translation>Переименования «%1» идут по кругу; сохраняйте после каждого из них. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Restored the configuration from before %1</source>
        <translation>Восстановлена конфигурация, действовавшая до %1</translation>
    </message>
    <message numerus="yes">
        <source>%n user(s) renamed, enabled or disabled</source>
        <translation>
            <numerusform>%n пользователь переименован, включён или отключён</numerusform>
            <numerusform>%n пользователя переименовано, включено или отключено</numerusform>
            <numerusform>%n пользователей переименовано, включено или отключено</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n profile(s) renamed</source>
        <translation>
            <numerusform>%n профиль переименован</numerusform>
            <numerusform>%n профиля переименовано</numerusform>
            <numerusform>%n профилей переименовано</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n user profile(s) written</source>
        <translation>
            <numerusform>%n профиль пользователя записан</numerusform>
            <numerusform>%n профиля пользователей записано</numerusform>
            <numerusform>%n профилей пользователей записано</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n profile(s) written</source>
        <translation>
            <numerusform>%n профиль записан</numerusform>
            <numerusform>%n профиля записано</numerusform>
            <numerusform>%n профилей записано</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n user(s) removed</source>
        <translation>
            <numerusform>%n пользователь удалён</numerusform>
            <numerusform>%n пользователя удалено</numerusform>
            <numerusform>%n пользователей удалено</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n profile(s) removed</source>
        <translation>
            <numerusform>%n профиль удалён</numerusform>
            <numerusform>%n профиля удалено</numerusform>
            <numerusform>%n профилей удалено</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>KioskSnapshots</name>
    <message>
        <source>the earlier configuration is damaged</source>
        <translation>прежняя конфигурация повреждена</translation>
    </message>
</context>
<context>
    <name>KioskTracer</name>
    <message>
        <source>~/.Xauthority there is not a file that can be put back</source>
        <translation>~/.Xauthority там не является файлом, который можно восстановить</translation>
    </message>
    <message>
        <source>The X display&apos;s cookie was not put into the account&apos;s home (%1); the application used the display grant alone.</source>
        <translation>Cookie X-дисплея не помещён в домашний каталог учётной записи (%1); приложение получило доступ к дисплею только по разрешению.</translation>
    </message>
    <message>
        <source>%1 is not installed</source>
        <translation>%1 не установлен</translation>
    </message>
    <message>
        <source>the authority file holds no cookie for %1</source>
        <translation>в файле авторизации нет cookie для %1</translation>
    </message>
    <message>
        <source>the account has no home of its own</source>
        <translation>у учётной записи нет собственного домашнего каталога</translation>
    </message>
    <message>
        <source>The X display&apos;s cookie could not be taken out of the home of &apos;%1&apos; again: %2</source>
        <translation>Не удалось убрать cookie X-дисплея из домашнего каталога «%1»: %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an X display name. Nothing has been changed.</source>
        <translation>«%1» не является именем X-дисплея. Ничего не изменено.</translation>
    </message>
    <message>
        <source>The X authority file &apos;%1&apos; is not an absolute path of a regular file. Nothing has been changed.</source>
        <translation>Файл авторизации X «%1» не является абсолютным путём к обычному файлу. Ничего не изменено.</translation>
    </message>
    <message>
        <source>The command contains a NUL character. Nothing has been changed.</source>
        <translation>Команда содержит символ NUL. Ничего не изменено.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a kiosk user whose application can be recorded. Nothing has been changed.</source>
        <translation>«%1» не является пользователем киоска, для которого можно записать правила приложения. Ничего не изменено.</translation>
    </message>
    <message>
        <source>The command &apos;%1&apos; that recording needs is not installed. Nothing has been changed.</source>
        <translation>Команда «%1», необходимая для записи правил, не установлена. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Undoing the recording was not complete: %1</source>
        <translation>Последствия записи отменены не полностью: %1</translation>
    </message>
    <message>
        <source>Can not create temp user for trace</source>
        <translation>Не удалось создать временного пользователя для записи правил</translation>
    </message>
    <message>
        <source>A global recording is already running.</source>
        <translation>Глобальная запись правил уже идёт.</translation>
    </message>
    <message>
        <source>No global recording is running.</source>
        <translation>Глобальная запись правил не запущена.</translation>
    </message>
    <message>
        <source>The kiosk user &apos;%1&apos; has no account on this system; nothing was recorded for it.</source>
        <translation>У пользователя киоска «%1» нет учётной записи в этой системе; для него ничего не записано.</translation>
    </message>
    <message>
        <source>No rules were collected for the kiosk user &apos;%1&apos;: %2</source>
        <translation>Не удалось собрать правила для пользователя киоска «%1»: %2</translation>
    </message>
    <message>
        <source>The access collector ended with exit code %1; the rules it printed are kept.</source>
        <translation>Сборщик обращений завершился с кодом %1; выведенные им правила сохранены.</translation>
    </message>
</context>
<context>
    <name>KioskTransaction</name>
    <message>
        <source>the journal of an interrupted save cannot be read</source>
        <translation>не удаётся прочитать журнал прерванного сохранения</translation>
    </message>
</context>
<context>
    <name>Passwd</name>
    <message>
        <source>can not open file stream</source>
        <translation>не удалось открыть файл</translation>
    </message>
</context>
<context>
    <name>ProcessException</name>
    <message>
        <source>Process</source>
        <translation>Процесс</translation>
    </message>
    <message>
        <source>not complited</source>
        <translation>завершился аварийно</translation>
    </message>
    <message>
        <source>complited with exit code %1</source>
        <translation>завершился с кодом %1</translation>
    </message>
</context>
<context>
    <name>ProfileStatus</name>
    <message>
        <source>doesn&apos;t have allowed rules</source>
        <translation>не содержит разрешающих правил</translation>
    </message>
    <message>
        <source>has invalid object rules</source>
        <translation>содержит неверные правила объектов</translation>
    </message>
    <message>
        <source>has unknown includes</source>
        <translation>подключает неизвестные профили</translation>
    </message>
    <message>
        <source>has invalid config lines</source>
        <translation>содержит неверные строки</translation>
    </message>
    <message>
        <source>has old format config lines</source>
        <translation>содержит строки в старом формате</translation>
    </message>
    <message>
        <source>has cyclic dependencies</source>
        <translation>содержит циклические зависимости</translation>
    </message>
    <message>
        <source>has object rules descriptions</source>
        <translation>содержит собственные правила объектов</translation>
    </message>
    <message>
        <source> not found</source>
        <translation> не найден</translation>
    </message>
    <message>
        <source>has include with error</source>
        <translation>подключает профиль с ошибками</translation>
    </message>
    <message>
        <source>has unknown include</source>
        <translation>подключает неизвестный профиль</translation>
    </message>
</context>
<context>
    <name>ReadFileException</name>
    <message>
        <source>Can not read file &apos;%1&apos;: %2</source>
        <translation>Не удалось прочитать файл «%1»: %2</translation>
    </message>
</context>
<context>
    <name>RenameFileException</name>
    <message>
        <source>Can not rename file &apos;%1&apos; to &apos;%2&apos;: %3</source>
        <translation>Не удалось переименовать файл «%1» в «%2»: %3</translation>
    </message>
</context>
<context>
    <name>SafePath</name>
    <message>
        <source>%1 cannot be opened at %2 (%3): left out</source>
        <translation>%1: не удаётся открыть %2 (%3): правило пропущено</translation>
    </message>
    <message>
        <source>%1 would be made in %2, which others than root and the user can change: left out</source>
        <translation>%1 был бы создан в %2, который может изменить не только root и сам пользователь: правило пропущено</translation>
    </message>
    <message>
        <source>%1 passes through %2, which another account can change: left out</source>
        <translation>Путь %1 проходит через %2, который может изменить другая учётная запись: правило пропущено</translation>
    </message>
    <message>
        <source>%1 passes through %2, which others than root and the user can change: left out</source>
        <translation>Путь %1 проходит через %2, который может изменить не только root и сам пользователь: правило пропущено</translation>
    </message>
    <message>
        <source>%1 passes through the link %2, which someone other than root could have placed: left out</source>
        <translation>Путь %1 проходит через ссылку %2, которую мог создать не только root: правило пропущено</translation>
    </message>
    <message>
        <source>%1 passes through too many links, or one that cannot be read (%2): left out</source>
        <translation>Путь %1 проходит через слишком много ссылок или через нечитаемую ссылку (%2): правило пропущено</translation>
    </message>
    <message>
        <source>%1: the root directory cannot be opened: left out</source>
        <translation>%1: не удаётся открыть корневой каталог: правило пропущено</translation>
    </message>
    <message>
        <source>%1 matches the link %2, which is not followed: left out</source>
        <translation>Под шаблон %1 подходит ссылка %2, по ней не переходят: пропущено</translation>
    </message>
</context>
<context>
    <name>SystemKiosk</name>
    <message>
        <source>The module is not loaded</source>
        <translation>Модуль не загружен</translation>
    </message>
</context>
<context>
    <name>UnconfinedProcesses</name>
    <message>
        <source>%1 (%2) of %3</source>
        <translation>%1 (%2) пользователя %3</translation>
    </message>
    <message>
        <source>These processes of kiosk users run unconfined and could not be ended; they keep what they have open: %1</source>
        <translation>Эти процессы пользователей киоска работают без ограничений и не могут быть завершены; им доступно всё, что они уже открыли: %1</translation>
    </message>
</context>
<context>
    <name>UpdatePreview</name>
    <message>
        <source>User renamed: %1 → %2</source>
        <translation>Пользователь переименован: %1 → %2</translation>
    </message>
    <message>
        <source>User enabled: %1</source>
        <translation>Пользователь включён: %1</translation>
    </message>
    <message>
        <source>User disabled: %1</source>
        <translation>Пользователь отключён: %1</translation>
    </message>
    <message>
        <source>User added: %1</source>
        <translation>Пользователь добавлен: %1</translation>
    </message>
    <message>
        <source>Profile of user %1:</source>
        <translation>Профиль пользователя %1:</translation>
    </message>
    <message>
        <source>User removed: %1</source>
        <translation>Пользователь удалён: %1</translation>
    </message>
    <message>
        <source>Profile renamed: %1 → %2</source>
        <translation>Профиль переименован: %1 → %2</translation>
    </message>
    <message>
        <source>Profile added: %1</source>
        <translation>Профиль добавлен: %1</translation>
    </message>
    <message>
        <source>Profile %1:</source>
        <translation>Профиль %1:</translation>
    </message>
    <message>
        <source>Profile removed: %1</source>
        <translation>Профиль удалён: %1</translation>
    </message>
</context>
<context>
    <name>User</name>
    <message>
        <source>Invalid user name</source>
        <translation>Недопустимое имя пользователя</translation>
    </message>
    <message>
        <source>No such user in the user database</source>
        <translation>Такого пользователя нет в базе учётных записей</translation>
    </message>
</context>
<context>
    <name>Utils</name>
    <message>
        <source>No privileged action to run.</source>
        <translation>Нет привилегированного действия для выполнения.</translation>
    </message>
    <message>
        <source>The changes are too large to send to the privileged helper at once (%1 MiB, at most %2 MiB). Save them in smaller parts.</source>
        <translation>Изменения слишком велики, чтобы передать их привилегированной вспомогательной программе за один раз (%1 МиБ, допустимо не более %2 МиБ). Сохраните их по частям.</translation>
    </message>
    <message>
        <source>The privileged helper did not answer.</source>
        <translation>Привилегированная вспомогательная программа не ответила.</translation>
    </message>
</context>
<context>
    <name>WriteFileException</name>
    <message>
        <source>Can not write file &apos;%1&apos;: %2</source>
        <translation>Не удалось записать файл «%1»: %2</translation>
    </message>
</context>
</TS>
