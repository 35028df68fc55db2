update "My T" as m set a = 'where' where b = -- c
1