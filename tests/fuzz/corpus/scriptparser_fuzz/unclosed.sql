;CONNECT 'unterminated
