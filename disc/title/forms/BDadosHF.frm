; The data bank's home. Its content comes with its section; for now, a line says what it will hold.
(form ("Class" "BDadosHForm")
      ("Name" "BDadosHForm")
      ("Background Image" "fundo_bdados.bmp")
      ("Narrator" "narr_bdados")
      ("TabStopList" (list @BARRA_TABS@))
      ("Control List"
       (list @BARRA_MENU@
             (control ("Class" "StaticText") ("Name" "Texto1") ("Text Region" (rect 24 104 592 18))
                      ("Text" "Aqui ficar\xe3o as tabelas do banco de dados, com as") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25)))
             (control ("Class" "StaticText") ("Name" "Texto2") ("Text Region" (rect 24 124 592 18))
                      ("Text" "consultas prontas e as consultas livres.") ("Font" (font "Times New Roman" 10)) ("Foreground Color" (rgb 25 25 25))))))
