^INSERT INTO T VALUES (1)^ /* open
 comment ^ */ SELECT 'multi
line^' FROM T
^