select * from @TABLE%T1 where a = :a and b <> :"B c" and c = (:c) -- x
