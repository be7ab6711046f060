# Session profile of the reception kiosk
@include base

+file rw u: /tmp/reception
# the browser keeps its cache here
+link r uo: /home/kiosk/.cache   
   
/opt/reception/hosts r
"/opt/reception/printer.conf" rw-
session-common
@include base
+file rw u: /tmp/reception
  # indented comments are not comments
+File r u: /etc/motd

#
