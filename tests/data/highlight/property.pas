program Demo;
type
  TThing = class
    property Size: Integer read FSize write FSize default 3;
  end;
var read: Integer; { a comment }
(* another
   comment *) s := 'it''s'; // line
exports Run name 'Go' index 2;
begin x := #13 + #$1F + $FF + 1.5e3; end.
