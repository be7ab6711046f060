<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en_US">
<context>
    <name>CreateProfileDialog</name>
    <message>
        <source>Create new profile</source>
        <translation>Создание профиля</translation>
    </message>
    <message>
        <source>Profile name error</source>
        <translation>Ошибка в имени профиля</translation>
    </message>
    <message>
        <source>Profile with &apos;%1&apos; name exist</source>
        <translation>Профиль с именем «%1» уже существует</translation>
    </message>
</context>
<context>
    <name>CreateUserDialog</name>
    <message>
        <source>%1 (disabled)</source>
        <translation>%1 (отключён)</translation>
    </message>
</context>
<context>
    <name>EditProfileDialog</name>
    <message>
        <source>Profile name</source>
        <translation>Имя профиля</translation>
    </message>
    <message>
        <source>Allowed objects</source>
        <translation>Разрешённые объекты</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Тип</translation>
    </message>
    <message>
        <source>Filename</source>
        <translation>Имя файла</translation>
    </message>
    <message>
        <source>R</source>
        <translation>Ч</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Чтение</translation>
    </message>
    <message>
        <source>W</source>
        <translation>З</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>Запись</translation>
    </message>
    <message>
        <source>C</source>
        <translation>С</translation>
    </message>
    <message>
        <source>Create</source>
        <translation>Создание</translation>
    </message>
    <message>
        <source>U</source>
        <translation>П</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Пользователь</translation>
    </message>
    <message>
        <source>O</source>
        <translation>Д</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Другие</translation>
    </message>
    <message>
        <source>Pluggable profiles</source>
        <translation>Подключаемые профили</translation>
    </message>
    <message>
        <source>Add file</source>
        <translation>Добавить файл</translation>
    </message>
    <message>
        <source>Remove file</source>
        <translation>Удалить файл</translation>
    </message>
    <message>
        <source>Add files from process</source>
        <translation>Добавить файлы, записав работу приложения</translation>
    </message>
    <message>
        <source>Add directory files</source>
        <translation>Добавить файлы каталога</translation>
    </message>
    <message>
        <source>View profile: %1</source>
        <translation>Просмотр профиля: %1</translation>
    </message>
    <message>
        <source>Edit profile: %1</source>
        <translation>Редактирование профиля: %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; used in &apos;%2&apos;</source>
        <translation>«%1» используется в «%2»</translation>
    </message>
    <message>
        <source>has errors</source>
        <translation>есть ошибки</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>неизвестный</translation>
    </message>
    <message>
        <source>Profile rename error</source>
        <translation>Ошибка переименования профиля</translation>
    </message>
    <message>
        <source>Profile with name &apos;%1&apos; already exists</source>
        <translation>Профиль с именем «%1» уже существует</translation>
    </message>
    <message>
        <source>Each object must have at least 
one mode (R/W/C) and one target (O/U)</source>
        <translation>Для каждого объекта нужно указать хотя бы
один режим (Ч/З/С) и одну цель (Д/П)</translation>
    </message>
    <message>
        <source>Each object must have at least 
one mode (R/W/C)</source>
        <translation>Для каждого объекта нужно указать хотя бы
один режим (Ч/З/С)</translation>
    </message>
    <message>
        <source>Each object must have at least 
one target (O/U)</source>
        <translation>Для каждого объекта нужно указать хотя бы
одну цель (Д/П)</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>Change file type</source>
        <translation>Изменить тип файла</translation>
    </message>
    <message>
        <source>Change file modes</source>
        <translation>Изменить режимы доступа</translation>
    </message>
    <message>
        <source>Change file target</source>
        <translation>Изменить цель</translation>
    </message>
    <message>
        <source>Application kiosk rules record error</source>
        <translation>Ошибка записи правил киоска для приложения</translation>
    </message>
    <message>
        <source>The X display of this session is not known, so the application could not be shown. Record rules from a graphical session.</source>
        <translation>X-дисплей этого сеанса неизвестен, поэтому приложение не удалось показать. Записывайте правила из графического сеанса.</translation>
    </message>
    <message>
        <source>The X authority file &apos;%1&apos; of this session was not found, so the application could not be shown. Set XAUTHORITY to the authority file of the session.</source>
        <translation>Файл авторизации X этого сеанса «%1» не найден, поэтому приложение не удалось показать. Укажите в XAUTHORITY файл авторизации сеанса.</translation>
    </message>
    <message>
        <source>Trace warnings</source>
        <translation>Предупреждения записи правил</translation>
    </message>
    <message>
        <source>&apos;%1&apos; has errors and cannot be included</source>
        <translation>«%1» содержит ошибки, и его нельзя подключить</translation>
    </message>
    <message>
        <source>Profile name error</source>
        <translation>Ошибка в имени профиля</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a profile name: use letters, digits, &apos;_&apos;, &apos;-&apos; and &apos;.&apos; (not first), at most 50 of them.</source>
        <translation>«%1» не годится как имя профиля: допустимы буквы, цифры, «_», «-» и «.» (не первой), не более 50 знаков.</translation>
    </message>
    <message>
        <source>Nothing was recorded: the application was refused nothing, so no rule was added.</source>
        <translation>Ничего не записано: приложению ни в чём не было отказано, поэтому правила не добавлены.</translation>
    </message>
    <message>
        <source>Kiosk mode is on now, as it is set to be after reboot.</source>
        <translation>Режим киоска теперь включён, как он задан после перезагрузки.</translation>
    </message>
    <message>
        <source>Kiosk mode is off now, as it is set to be after reboot.</source>
        <translation>Режим киоска теперь выключен, как он задан после перезагрузки.</translation>
    </message>
    <message>
        <source>Application kiosk rules record</source>
        <translation>Запись правил киоска для приложения</translation>
    </message>
</context>
<context>
    <name>KioskStarter</name>
    <message>
        <source>Quit application.</source>
        <translation>Завершить приложение.</translation>
    </message>
    <message>
        <source>Show main window.</source>
        <translation>Показать главное окно.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>System Kiosk</source>
        <translation>Системный киоск</translation>
    </message>
    <message>
        <source>Users</source>
        <translation>Пользователи</translation>
    </message>
    <message>
        <source>Profiles</source>
        <translation>Профили</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>Main action panel</source>
        <translation>Основная панель действий</translation>
    </message>
    <message>
        <source>Cancel changes</source>
        <translation>Отменить изменения</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Save changes</source>
        <translation>Сохранить изменения</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Restore earlier configuration...</source>
        <translation>Восстановить прежнюю конфигурацию...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>Enable kiosk mode</source>
        <translation>Включить режим киоска</translation>
    </message>
    <message>
        <source>Add user</source>
        <translation>Добавить пользователя</translation>
    </message>
    <message>
        <source>Delete user</source>
        <translation>Удалить пользователя</translation>
    </message>
    <message>
        <source>Create profile</source>
        <translation>Создать профиль</translation>
    </message>
    <message>
        <source>Delete profile</source>
        <translation>Удалить профиль</translation>
    </message>
    <message>
        <source>Edit profile</source>
        <translation>Изменить профиль</translation>
    </message>
    <message>
        <source>Disable kiosk rules for user</source>
        <translation>Отключить правила киоска для пользователя</translation>
    </message>
    <message>
        <source>Disable kiosk mode</source>
        <translation>Выключить режим киоска</translation>
    </message>
    <message>
        <source>Enable kiosk rules for user</source>
        <translation>Включить правила киоска для пользователя</translation>
    </message>
    <message>
        <source>Show status</source>
        <translation>Показать состояние</translation>
    </message>
    <message>
        <source>Global recording mode</source>
        <translation>Режим глобальной записи</translation>
    </message>
    <message>
        <source>On</source>
        <translation>включён</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>выключен</translation>
    </message>
    <message>
        <source>Users action panel</source>
        <translation>Панель действий с пользователями</translation>
    </message>
    <message>
        <source>Profiles action panel</source>
        <translation>Панель действий с профилями</translation>
    </message>
    <message>
        <source>When choosing a profile for a graphical application, be sure to also select a profile for the graphical session, the default is &apos;orla-desktop&apos;.</source>
        <translation>Для графического приложения выберите также профиль графического сеанса (по умолчанию «orla-desktop»).</translation>
    </message>
    <message>
        <source>Data reading error</source>
        <translation>Ошибка чтения данных</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>To administer the system you must log in to the session under a high level of integrity</source>
        <translation>Для администрирования системы нужно войти в сеанс с высоким уровнем целостности</translation>
    </message>
    <message>
        <source>Incorrect kiosk mode configuration detected</source>
        <translation>Обнаружена противоречивая настройка режима киоска</translation>
    </message>
    <message>
        <source>Kiosk mode is currently &lt;b&gt;%1&lt;/b&gt;, but after rebooting system will be turned &lt;b&gt;%2&lt;/b&gt;</source>
        <translation>Сейчас режим киоска &lt;b&gt;%1&lt;/b&gt;, но после перезагрузки системы он будет &lt;b&gt;%2&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Enable all</source>
        <translation>Включить всё</translation>
    </message>
    <message>
        <source>Disable all</source>
        <translation>Выключить всё</translation>
    </message>
    <message>
        <source>Leave as is</source>
        <translation>Оставить как есть</translation>
    </message>
    <message>
        <source>There are no active kiosk users</source>
        <translation>Нет активных пользователей киоска</translation>
    </message>
    <message>
        <source>Kiosk mode is enabled, but there are no active kiosk users. Do you want to disable kiosk mode?</source>
        <translation>Режим киоска включён, но активных пользователей киоска нет. Выключить режим киоска?</translation>
    </message>
    <message>
        <source>Read only mode</source>
        <translation>Режим только для чтения</translation>
    </message>
    <message>
        <source>Kiosk mode: &lt;b&gt;%1&lt;/b&gt;</source>
        <translation>Режим киоска: &lt;b&gt;%1&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Kiosk mode now: &lt;b&gt;%1&lt;/b&gt;, after reboot will: &lt;b&gt;%2&lt;/b&gt;</source>
        <translation>Режим киоска сейчас: &lt;b&gt;%1&lt;/b&gt;, после перезагрузки: &lt;b&gt;%2&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Global kiosk rules record mode: &lt;b&gt;Enabled&lt;/b&gt;</source>
        <translation>Глобальная запись правил киоска: &lt;b&gt;включена&lt;/b&gt;</translation>
    </message>
    <message>
        <source>and</source>
        <translation>и</translation>
    </message>
    <message>
        <source>View profile</source>
        <translation>Просмотреть профиль</translation>
    </message>
    <message>
        <source>Reload data from system</source>
        <translation>Перечитать данные из системы</translation>
    </message>
    <message>
        <source>Read users error</source>
        <translation>Ошибка чтения списка пользователей</translation>
    </message>
    <message>
        <source>Could not read user list. File &apos;%1&apos; reading error</source>
        <translation>Не удалось прочитать список пользователей: ошибка чтения файла «%1»</translation>
    </message>
    <message>
        <source>Kiosk rules were created for all users</source>
        <translation>Правила киоска уже созданы для всех пользователей</translation>
    </message>
    <message>
        <source>Delete kiosk user rules</source>
        <translation>Удаление правил пользователя киоска</translation>
    </message>
    <message>
        <source>Are you sure want to delete kiosk rules for &apos;%1&apos;?</source>
        <translation>Удалить правила киоска для пользователя «%1»?</translation>
    </message>
    <message>
        <source>Action rejected</source>
        <translation>Действие отклонено</translation>
    </message>
    <message>
        <source>User having errors cannot be activated</source>
        <translation>Пользователя с ошибками нельзя включить</translation>
    </message>
    <message>
        <source>To be able to edit a profile, you need to make the rules in a separate profile, which will be included in the user.</source>
        <translation>Чтобы профиль можно было редактировать, его правила нужно вынести в отдельный профиль, который будет подключён к пользователю.</translation>
    </message>
    <message>
        <source>Do you want to make the rules in a separate profile?</source>
        <translation>Вынести правила в отдельный профиль?</translation>
    </message>
    <message>
        <source>User &apos;%1&apos; %2</source>
        <translation>Пользователь «%1» %2</translation>
    </message>
    <message>
        <source>Nonexistent profile &apos;%1&apos;</source>
        <translation>Несуществующий профиль «%1»</translation>
    </message>
    <message>
        <source>Profile &apos;%1&apos; %2</source>
        <translation>Профиль «%1» %2</translation>
    </message>
    <message>
        <source>Cannot delete profile</source>
        <translation>Нельзя удалить профиль</translation>
    </message>
    <message>
        <source>Profile &apos;%1&apos; used by %2</source>
        <translation>Профиль «%1» используется пользователями: %2</translation>
    </message>
    <message>
        <source>Delete kiosk profile</source>
        <translation>Удаление профиля киоска</translation>
    </message>
    <message>
        <source>Are you sure want to delete kiosk profile &apos;%1&apos;?</source>
        <translation>Удалить профиль киоска «%1»?</translation>
    </message>
    <message>
        <source>No active kiosk users</source>
        <translation>Нет активных пользователей киоска</translation>
    </message>
    <message>
        <source>New changes will take effect immediately after system reboot. Are you sure want to save changes?</source>
        <translation>Изменения вступят в силу сразу после перезагрузки системы. Сохранить изменения?</translation>
    </message>
    <message>
        <source>New changes will take effect immediately after users relog. Are you sure want to save changes?</source>
        <translation>Изменения вступят в силу, как только пользователи войдут в систему заново. Сохранить изменения?</translation>
    </message>
    <message>
        <source>Has errors</source>
        <translation>Есть ошибки</translation>
    </message>
    <message numerus="yes">
        <source>User(s) %1 has errors. To save changes these user(s) will be disabled. New changes will take effect immediately after system reboot. Continue?</source>
        <translation>
            <numerusform>У пользователя %1 есть ошибки. Чтобы сохранить изменения, он будет отключён. Изменения вступят в силу сразу после перезагрузки системы. Продолжить?</numerusform>
            <numerusform>У пользователей %1 есть ошибки. Чтобы сохранить изменения, они будут отключены. Изменения вступят в силу сразу после перезагрузки системы. Продолжить?</numerusform>
            <numerusform>У пользователей %1 есть ошибки. Чтобы сохранить изменения, они будут отключены. Изменения вступят в силу сразу после перезагрузки системы. Продолжить?</numerusform>
        </translation>
    </message>
    <message>
        <source>Save error</source>
        <translation>Ошибка сохранения</translation>
    </message>
    <message>
        <source>Restore error</source>
        <translation>Ошибка восстановления</translation>
    </message>
    <message>
        <source>Are you sure want to cancel changes?</source>
        <translation>Отменить изменения?</translation>
    </message>
    <message>
        <source>Reload data</source>
        <translation>Перечитывание данных</translation>
    </message>
    <message>
        <source>Are you sure want to read data from system again?</source>
        <translation>Перечитать данные из системы заново?</translation>
    </message>
    <message>
        <source>Kiosk mode changing error</source>
        <translation>Ошибка переключения режима киоска</translation>
    </message>
    <message>
        <source>Are you sure want to disable kiosk mode?</source>
        <translation>Выключить режим киоска?</translation>
    </message>
    <message>
        <source>To enable kiosk mode need have active user profiles</source>
        <translation>Чтобы включить режим киоска, нужны активные профили пользователей</translation>
    </message>
    <message numerus="yes">
        <source>User(s) %1 has errors. To enable kiosk mode these user(s) will be disabled. Continue?</source>
        <translation>
            <numerusform>У пользователя %1 есть ошибки. Чтобы включить режим киоска, он будет отключён. Продолжить?</numerusform>
            <numerusform>У пользователей %1 есть ошибки. Чтобы включить режим киоска, они будут отключены. Продолжить?</numerusform>
            <numerusform>У пользователей %1 есть ошибки. Чтобы включить режим киоска, они будут отключены. Продолжить?</numerusform>
        </translation>
    </message>
    <message>
        <source>To enable kiosk mode you need to save the changes. </source>
        <translation>Чтобы включить режим киоска, нужно сохранить изменения. </translation>
    </message>
    <message>
        <source>New changes will take effect immediately after system reboot. </source>
        <translation>Изменения вступят в силу сразу после перезагрузки системы. </translation>
    </message>
    <message>
        <source>New changes will take effect immediately after users relogin. </source>
        <translation>Изменения вступят в силу, как только пользователи войдут в систему заново. </translation>
    </message>
    <message>
        <source>Do you want to save changes and enable kiosk mode?</source>
        <translation>Сохранить изменения и включить режим киоска?</translation>
    </message>
    <message>
        <source>Unsaved changes</source>
        <translation>Несохранённые изменения</translation>
    </message>
    <message>
        <source>Are you sure want to enable kiosk mode?</source>
        <translation>Включить режим киоска?</translation>
    </message>
    <message>
        <source>To enable global kiosk rules record need have active user profiles</source>
        <translation>Чтобы включить глобальную запись правил киоска, нужны активные профили пользователей</translation>
    </message>
    <message>
        <source>To enable global kiosk rules record you need to save the changes. </source>
        <translation>Чтобы включить глобальную запись правил киоска, нужно сохранить изменения. </translation>
    </message>
    <message>
        <source>Do you want to save changes and enable global kiosk rules record?</source>
        <translation>Сохранить изменения и включить глобальную запись правил киоска?</translation>
    </message>
    <message>
        <source>Enable global kiosk rules record</source>
        <translation>Включение глобальной записи правил киоска</translation>
    </message>
    <message>
        <source>In the mode of global recording of kiosk rules for each kiosk user, a new profile will be created that will contain all user actions performed during the period of activity of this mode. At the time of global recording mode the kiosk mode will be disabled.</source>
        <translation>В режиме глобальной записи правил киоска для каждого пользователя киоска будет создан новый профиль со всеми действиями, которые пользователь выполнит, пока этот режим включён. На время глобальной записи режим киоска будет выключен.</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Включить</translation>
    </message>
    <message>
        <source>Enable global record error</source>
        <translation>Ошибка включения глобальной записи</translation>
    </message>
    <message>
        <source>The system is in global kiosk rules record mode</source>
        <translation>Система в режиме глобальной записи правил киоска</translation>
    </message>
    <message>
        <source>The system is in global kiosk rules record mode. Do you want to complete global kiosk rules record mode?</source>
        <translation>Система в режиме глобальной записи правил киоска. Завершить глобальную запись?</translation>
    </message>
    <message>
        <source>Complete and ignore collected data</source>
        <translation>Завершить без создания профилей</translation>
    </message>
    <message>
        <source>Complete and create profile</source>
        <translation>Завершить и создать профили</translation>
    </message>
    <message>
        <source>Disable global record error</source>
        <translation>Ошибка завершения глобальной записи</translation>
    </message>
    <message>
        <source>Global record warning</source>
        <translation>Предупреждение глобальной записи</translation>
    </message>
    <message>
        <source>No data</source>
        <translation>Нет данных</translation>
    </message>
    <message>
        <source>New profiles created</source>
        <translation>Созданы новые профили</translation>
    </message>
    <message numerus="yes">
        <source>After global kiosk rules record created %1 profile(s)</source>
        <translation>
            <numerusform>По итогам глобальной записи правил киоска создан %1 профиль</numerusform>
            <numerusform>По итогам глобальной записи правил киоска создано %1 профиля</numerusform>
            <numerusform>По итогам глобальной записи правил киоска создано %1 профилей</numerusform>
        </translation>
    </message>
    <message>
        <source>Leave global kiosk rules record mode</source>
        <translation>Выход из режима глобальной записи</translation>
    </message>
    <message>
        <source>No global kiosk rules record can be completed now, but the system is still in global kiosk rules record mode. Do you want to leave this mode without collected data?</source>
        <translation>Завершить глобальную запись правил киоска сейчас нельзя, но система всё ещё в режиме глобальной записи. Выйти из этого режима без собранных данных?</translation>
    </message>
    <message>
        <source>Configuration was changed. </source>
        <translation>Конфигурация изменена. </translation>
    </message>
    <message>
        <source>If changes are seved they will take effect immediately after system reboot. </source>
        <translation>Если сохранить изменения, они вступят в силу сразу после перезагрузки системы. </translation>
    </message>
    <message>
        <source>If changes are seved they will take effect immediately after users relog. </source>
        <translation>Если сохранить изменения, они вступят в силу, как только пользователи войдут в систему заново. </translation>
    </message>
    <message>
        <source>Do you want to save changes?</source>
        <translation>Сохранить изменения?</translation>
    </message>
    <message>
        <source>Kiosk mode</source>
        <translation>Режим киоска</translation>
    </message>
    <message>
        <source>Complete global kiosk rules record</source>
        <translation>Завершение глобальной записи правил киоска</translation>
    </message>
    <message>
        <source>An earlier global kiosk rules record ended by itself before it was completed, and no new one has been started. Do you want to complete it?</source>
        <translation>Прежняя глобальная запись правил киоска закончилась сама, не будучи завершённой, и новая запись не начата. Завершить её?</translation>
    </message>
    <message>
        <source>Kiosk mode is on now, as it is set to be after reboot.</source>
        <translation>Режим киоска теперь включён, как он задан после перезагрузки.</translation>
    </message>
    <message>
        <source>Kiosk mode is off now, as it is set to be after reboot.</source>
        <translation>Режим киоска теперь выключен, как он задан после перезагрузки.</translation>
    </message>
    <message>
        <source>Global record completed</source>
        <translation>Глобальная запись завершена</translation>
    </message>
    <message>
        <source>Nothing was recorded: no kiosk user was refused anything, so no profile was created.</source>
        <translation>Ничего не записано: ни одному пользователю киоска ни в чём не было отказано, поэтому профили не созданы.</translation>
    </message>
    <message>
        <source>User &apos;%1&apos; %2.</source>
        <translation>Пользователь «%1» %2.</translation>
    </message>
    <message>
        <source>User rules</source>
        <translation>Правила пользователя</translation>
    </message>
</context>
<context>
    <name>ObjectRuleType</name>
    <message>
        <source>File</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Ссылка</translation>
    </message>
</context>
<context>
    <name>OrlaHelpMenu</name>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>&amp;About %1</source>
        <translation>&amp;О программе «%1»</translation>
    </message>
</context>
<context>
    <name>OrlaMenuDialog</name>
    <message>
        <source>Select application</source>
        <translation>Выбор приложения</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Select directory with files</source>
        <translation>Выбор каталога с файлами</translation>
    </message>
    <message>
        <source>Select files</source>
        <translation>Выбор файлов</translation>
    </message>
    <message>
        <source>has errors</source>
        <translation>есть ошибки</translation>
    </message>
    <message>
        <source>has warnings</source>
        <translation>есть предупреждения</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>неизвестный</translation>
    </message>
    <message>
        <source>disabled</source>
        <translation>отключён</translation>
    </message>
</context>
<context>
    <name>RestoreDialog</name>
    <message>
        <source>Restore earlier configuration</source>
        <translation>Восстановление прежней конфигурации</translation>
    </message>
    <message>
        <source>Before the save of %1: %2</source>
        <translation>До сохранения %1: %2</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Восстановить</translation>
    </message>
    <message>
        <source>Earlier configurations, newest first:</source>
        <translation>Прежние конфигурации, сначала самые новые:</translation>
    </message>
    <message>
        <source>What restoring the selected one would change:</source>
        <translation>Что изменится при восстановлении выбранной:</translation>
    </message>
    <message>
        <source>Restoring it changes nothing.</source>
        <translation>Её восстановление ничего не изменит.</translation>
    </message>
    <message>
        <source>Restore the selected configuration? Unsaved changes are lost. The restore can itself be undone later.</source>
        <translation>Восстановить выбранную конфигурацию? Несохранённые изменения будут потеряны. Само восстановление потом тоже можно отменить.</translation>
    </message>
</context>
<context>
    <name>TraceProcessDialog</name>
    <message>
        <source>Writing rules for application</source>
        <translation>Запись правил для приложения</translation>
    </message>
    <message>
        <source>Executable file path:</source>
        <translation>Путь к исполняемому файлу:</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>From menu</source>
        <translation>Из меню</translation>
    </message>
    <message>
        <source>Rule record</source>
        <translation>Запись правил</translation>
    </message>
    <message>
        <source>Run in terminal</source>
        <translation>Запустить в терминале</translation>
    </message>
    <message>
        <source>Default terminal</source>
        <translation>Терминал по умолчанию</translation>
    </message>
    <message>
        <source>Custom terninal</source>
        <translation>Другой терминал</translation>
    </message>
    <message>
        <source>The operation of the terminal will also be allowed</source>
        <translation>Работа самого терминала тоже будет разрешена</translation>
    </message>
    <message>
        <source>Overwrite profile (after recording, all previous rules from the profile will be deleted)</source>
        <translation>Перезаписать профиль (после записи все прежние правила профиля будут удалены)</translation>
    </message>
    <message>
        <source>After starting the application, an analysis of the application&apos;s access to files will be performed. After closing the application, rules will be generated based on the analysis for this application. It is advisable to reproduce user actions so that the analysis is as complete as possible. Record rules count limited. It is advisable not to execute large action scenarios.</source>
        <translation>После запуска приложения будут отслеживаться его обращения к файлам. Когда приложение будет закрыто, по результатам для него будут созданы правила. Чтобы результат был как можно полнее, повторите в приложении действия пользователя. Число записываемых правил ограничено, поэтому не стоит выполнять слишком длинные сценарии.</translation>
    </message>
    <message>
        <source>skip available user rules entry</source>
        <translation>пропускать уже имеющиеся правила пользователя</translation>
    </message>
    <message>
        <source>skip available user &apos;%1&apos; rules entry</source>
        <translation>пропускать уже имеющиеся правила пользователя «%1»</translation>
    </message>
    <message>
        <source>record all rules</source>
        <translation>записывать все правила</translation>
    </message>
    <message>
        <source>user is disabled</source>
        <translation>пользователь отключён</translation>
    </message>
    <message>
        <source>user has errors</source>
        <translation>есть ошибки</translation>
    </message>
    <message>
        <source>need save changes</source>
        <translation>нужно сохранить изменения</translation>
    </message>
    <message>
        <source>user logged now</source>
        <translation>пользователь сейчас в системе</translation>
    </message>
    <message>
        <source>User &apos;%1&apos; contains &apos;%2&apos; profile</source>
        <translation>Пользователь «%1» подключает профиль «%2»</translation>
    </message>
    <message>
        <source>Current profile &apos;%1&apos; unsaved changes will not be skipped</source>
        <translation>Правила из несохранённых изменений профиля «%1» пропущены не будут</translation>
    </message>
    <message>
        <source>Profile is empty</source>
        <translation>Профиль пуст</translation>
    </message>
    <message>
        <source>Profile &apos;%1&apos; is empty</source>
        <translation>Профиль «%1» пуст</translation>
    </message>
    <message>
        <source>Select executable file</source>
        <translation>Выбор исполняемого файла</translation>
    </message>
    <message>
        <source>Select terminal executable file</source>
        <translation>Выбор исполняемого файла терминала</translation>
    </message>
</context>
<context>
    <name>TraceWaitDialog</name>
    <message>
        <source>If the application did not appear on the screen, it may be necessary to record rules with the option &apos;Run in terminal&apos;</source>
        <translation>Если приложение не появилось на экране, возможно, правила нужно записывать с параметром «Запустить в терминале»</translation>
    </message>
    <message>
        <source>Close application</source>
        <translation>Закрыть приложение</translation>
    </message>
    <message>
        <source>Stop waiting</source>
        <translation>Не ждать</translation>
    </message>
    <message>
        <source>Abort application tracing</source>
        <translation>Прервать запись правил приложения</translation>
    </message>
    <message>
        <source>Go back to the profile without the recorded rules. The recording is not stopped.</source>
        <translation>Вернуться к профилю без записанных правил. Запись при этом не останавливается.</translation>
    </message>
    <message>
        <source>The application has ended. The recorded rules are being collected.</source>
        <translation>Приложение завершилось. Идёт сбор записанных правил.</translation>
    </message>
</context>
<context>
    <name>createUserDialog</name>
    <message>
        <source>Add user</source>
        <translation>Добавить пользователя</translation>
    </message>
    <message>
        <source>Select user</source>
        <translation>Выберите пользователя</translation>
    </message>
    <message>
        <source>Copy other user rules</source>
        <translation>Скопировать правила другого пользователя</translation>
    </message>
</context>
</TS>
