; A second screen, with a way back.
(table ("Class" "DemoForm")
       ("Name" "Atlas")
       ("Background Image" "atlas.jpg")
       ("Transition" (list 3 400 16))
       ("Control List"
        (list (control ("Class" "velControlObject") ("Name" "Voltar")
                       ("Hot Spot" (rect 20 400 150 56)) ("Target Form" "startup.frm")))))
