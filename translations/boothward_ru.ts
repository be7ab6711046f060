<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en_US">
<context>
    <name>OrlaAdminBoothward</name>
    <message>
        <source>The recorded rules are too large to send back (%1 MiB). Record a shorter session.</source>
        <translation>Записанные правила слишком велики, чтобы передать их обратно (%1 МиБ). Запишите более короткий сеанс.</translation>
    </message>
    <message>
        <source>A request to stop a recording is still pending. Nothing has been changed; try again.</source>
        <translation>Запрос на остановку записи правил ещё обрабатывается. Ничего не изменено; повторите попытку.</translation>
    </message>
    <message numerus="yes">
        <source>The global recording was not completed within %n hour(s) and ended by itself; kiosk users are confined again.</source>
        <translation>
            <numerusform>Глобальная запись правил не была завершена за %n час и остановилась сама; ограничения для пользователей киоска снова действуют.</numerusform>
            <numerusform>Глобальная запись правил не была завершена за %n часа и остановилась сама; ограничения для пользователей киоска снова действуют.</numerusform>
            <numerusform>Глобальная запись правил не была завершена за %n часов и остановилась сама; ограничения для пользователей киоска снова действуют.</numerusform>
        </translation>
    </message>
</context>
</TS>
