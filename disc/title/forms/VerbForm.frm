; The article screen. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "VerbForm")
      ("Name" "VerbForm")
      ("Background Image" "fundo_verbetes.bmp")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe1 o texto de cada verbete, com as suas") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25)))
             (control ("Class" "StaticText") ("Name" "Texto2") ("Text Region" (rect 24 124 592 18))
                      ("Text" "ilustra\xe7\xf5es e liga\xe7\xf5es.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
